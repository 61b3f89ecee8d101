#!/usr/bin/env bash
# Starts a loopback POP3 server (Dovecot) and SMTP server (Postfix, AUTH through Dovecot,
# delivery into the same mailboxes over LMTP) from a fresh tree under DIR.
# Usage: start.sh DIR      (env: POP3_PORT=41110 SMTP_PORT=41025 START_TIMEOUT=20)
# Writes DIR/env (POP3_PORT, SMTP_PORT, MAIL_DIR, MAILDIR_alice, MAILDIR_bob) and
# DIR/pids/{dovecot,postfix}.pid. Users: alice/alicepw, bob/bobpw at example.test.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
dir=${1:?usage: start.sh DIR}
pop3_port=${POP3_PORT:-41110}
smtp_port=${SMTP_PORT:-41025}
timeout=${START_TIMEOUT:-20}

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
for port in "$pop3_port" "$smtp_port"; do
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
      -e "s|@MAIL_UID@|$mail_uid|g" -e "s|@MAIL_GID@|$mail_gid|g" "$1" > "$2"
}
fill "$here/dovecot.conf.in" "$dir/dovecot.conf"
fill "$here/main.cf.in" "$dir/postfix/etc/main.cf"
fill "$here/master.cf.in" "$dir/postfix/etc/master.cf"
cp "$here/rcpt_access" "$here/header_checks" "$dir/postfix/etc/"
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
      listening "$pop3_port" && listening "$smtp_port"; do
  [ $SECONDS -lt $deadline ] || fail "servers not ready after ${timeout}s"
  sleep 0.05
done
tr -d ' \n' < "$dir/run/master.pid" > "$dir/pids/dovecot.pid"
tr -d ' \n' < "$dir/postfix/spool/pid/master.pid" > "$dir/pids/postfix.pid"

cat > "$dir/env" <<ENV
POP3_PORT=$pop3_port
SMTP_PORT=$smtp_port
MAIL_DIR=$dir
MAILDIR_alice=$dir/mail/alice/Maildir
MAILDIR_bob=$dir/mail/bob/Maildir
ENV
cat "$dir/env"
