#!/usr/bin/env bash
# Starts a loopback POP3 server (Dovecot) and SMTP server (Postfix, AUTH through Dovecot,
# delivery into the same mailboxes over LMTP) from a fresh tree under DIR.
# Usage: start.sh DIR      (env: POP3_PORT=41110 SMTP_PORT=41025 START_TIMEOUT=20)
# With TLS_DIR (certificates from make-test-certs.sh) both servers also speak TLS: STLS and
# STARTTLS on the plain ports, implicit TLS on POP3S_PORT (41995) and SMTPS_PORT (41465), with
# TLS_DIR/server.pem (TLS_CERT overrides the name, e.g. expired).
# Writes DIR/env (POP3_PORT, SMTP_PORT, MAIL_DIR, MAILDIR_alice, MAILDIR_bob) and
# DIR/pids/{dovecot,postfix}.pid. Users: alice/alicepw, bob/bobpw at example.test.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
dir=${1:?usage: start.sh DIR}
pop3_port=${POP3_PORT:-41110}
smtp_port=${SMTP_PORT:-41025}
timeout=${START_TIMEOUT:-20}
tls_dir=${TLS_DIR:-}
tls_cert=${TLS_CERT:-server}
pop3s_port=0
smtps_port=0
if [ -n "$tls_dir" ]; then
  pop3s_port=${POP3S_PORT:-41995}
  smtps_port=${SMTPS_PORT:-41465}
  [ -r "$tls_dir/$tls_cert.pem" ] && [ -r "$tls_dir/$tls_cert.key" ] || {
    echo "start.sh: no $tls_cert.pem/.key in TLS_DIR $tls_dir (make-test-certs.sh)" >&2; exit 2; }
fi

case "$dir" in
  /*) ;;
  *) echo "start.sh: DIR must be absolute" >&2; exit 2 ;;
esac
case "$dir" in
  /root|/root/*) echo "start.sh: DIR must be reachable by the mail users (not under /root)" >&2
                 exit 2 ;;
esac
if [ ${#dir} -gt 60 ]; then
  echo "start.sh: DIR longer than 60 characters (unix socket paths would not fit)" >&2
  exit 2
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "start.sh: the servers need root to start" >&2
  exit 2
fi
for tool in dovecot postfix; do
  command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] || {
    echo "start.sh: $tool is not installed (scripts/install-deps)" >&2; exit 2; }
done
export PATH="$PATH:/usr/sbin:/sbin"

# A tree left by an earlier run: stop what it started, then start afresh.
if [ -d "$dir/pids" ]; then
  "$here/stop.sh" "$dir" >/dev/null || true
fi
rm -rf "$dir"

# True when something listens on 127.0.0.1:$1 or 0.0.0.0:$1 (read from /proc, no probe).
listening() {
  local hex
  hex=$(printf '%04X' "$1")
  awk -v p=":$hex" 'NR > 1 && $4 == "0A" && ($2 == "0100007F" p || $2 == "00000000" p)' \
    /proc/net/tcp | grep -q .
}
tls_ports=()
[ -n "$tls_dir" ] && tls_ports=("$pop3s_port" "$smtps_port")
for port in "$pop3_port" "$smtp_port" "${tls_ports[@]}"; do
  if listening "$port"; then
    echo "start.sh: port $port is already in use" >&2
    exit 3
  fi
done

mail_uid=$(id -u mail)
mail_gid=$(id -g mail)
mkdir -p "$dir"/{run,state,log,pids,postfix/etc,postfix/spool,postfix/data}
for user in alice bob; do
  mkdir -p "$dir/mail/$user/Maildir"/{new,cur,tmp}
done
chmod 755 "$dir"
chown -R "$mail_uid:$mail_gid" "$dir/mail"
chown postfix "$dir/postfix/data"
touch "$dir/log/dovecot.log" "$dir/log/postfix.log"

cat > "$dir/users" <<USERS
alice:{PLAIN}alicepw:$mail_uid:$mail_gid::$dir/mail/alice::
bob:{PLAIN}bobpw:$mail_uid:$mail_gid::$dir/mail/bob::
USERS
chmod 644 "$dir/users"

fill() {
  sed -e "s|@DIR@|$dir|g" -e "s|@POP3_PORT@|$pop3_port|g" -e "s|@SMTP_PORT@|$smtp_port|g" \
      -e "s|@MAIL_UID@|$mail_uid|g" -e "s|@MAIL_GID@|$mail_gid|g" \
      -e "s|@POP3S_PORT@|$pop3s_port|g" "$1" > "$2"
}
fill "$here/dovecot.conf.in" "$dir/dovecot.conf"
fill "$here/main.cf.in" "$dir/postfix/etc/main.cf"
fill "$here/master.cf.in" "$dir/postfix/etc/master.cf"
cp "$here/rcpt_access" "$here/header_checks" "$dir/postfix/etc/"
if [ -n "$tls_dir" ]; then
  cat >> "$dir/dovecot.conf" <<TLS
ssl = yes
ssl_cert = <$tls_dir/$tls_cert.pem
ssl_key = <$tls_dir/$tls_cert.key
ssl_min_protocol = TLSv1.2
TLS
  sed -i '/^smtpd_tls_security_level/d' "$dir/postfix/etc/main.cf"
  cat >> "$dir/postfix/etc/main.cf" <<TLS
smtpd_tls_security_level = may
smtpd_tls_cert_file = $tls_dir/$tls_cert.pem
smtpd_tls_key_file = $tls_dir/$tls_cert.key
smtpd_tls_protocols = >=TLSv1.2
TLS
  # smtpd needs the TLS manager for its session cache and entropy, or it drops TLS altogether.
  printf '%s\n' "127.0.0.1:$smtps_port inet n - n - - smtpd" \
    "  -o smtpd_tls_wrappermode=yes -o smtpd_tls_security_level=encrypt" \
    "tlsmgr unix - - n 1000? 1 tlsmgr" >> "$dir/postfix/etc/master.cf"
fi
printf 'alice@example.test alice/\nbob@example.test bob/\n' > "$dir/postfix/etc/vmailbox"
# Postfix re-reads configuration files younger than a couple of seconds, slowly: age them.
touch -d '-1 minute' "$dir"/postfix/etc/*

fail() {
  echo "start.sh: $1" >&2
  tail -n 20 "$dir/log/dovecot.log" "$dir/log/postfix.log" >&2 || true
  "$here/stop.sh" "$dir" >/dev/null 2>&1 || true
  exit 1
}

# The daemons must not inherit our output: a test runner would wait for it to close.
dovecot -c "$dir/dovecot.conf" </dev/null >/dev/null 2>&1 || fail "dovecot did not start"
postfix -c "$dir/postfix/etc" start </dev/null >/dev/null 2>&1 || fail "postfix did not start"

deadline=$((SECONDS + timeout))
until [ -s "$dir/run/master.pid" ] && [ -s "$dir/postfix/spool/pid/master.pid" ] &&
      [ -S "$dir/run/lmtp" ] && [ -S "$dir/run/auth-postfix" ] &&
      listening "$pop3_port" && listening "$smtp_port" &&
      { [ -z "$tls_dir" ] || { listening "$pop3s_port" && listening "$smtps_port"; }; }; do
  [ $SECONDS -lt $deadline ] || fail "servers not ready after ${timeout}s"
  sleep 0.05
done
tr -d ' \n' < "$dir/run/master.pid" > "$dir/pids/dovecot.pid"
tr -d ' \n' < "$dir/postfix/spool/pid/master.pid" > "$dir/pids/postfix.pid"

cat > "$dir/env" <<ENV
POP3_PORT=$pop3_port
SMTP_PORT=$smtp_port
POP3S_PORT=$pop3s_port
SMTPS_PORT=$smtps_port
TLS_DIR=$tls_dir
MAIL_DIR=$dir
MAILDIR_alice=$dir/mail/alice/Maildir
MAILDIR_bob=$dir/mail/bob/Maildir
ENV
cat "$dir/env"
