#!/usr/bin/env bash
# Receive run benchmark: starts the loopback servers in a temporary tree, seeds 1,000 Japanese
# messages of about 5 KB (a fifth with an attachment), runs receive_run_bench (receive run vs
# raw RETR loop vs fetchmail with an MDA), then one message with a 100 MB attachment for the
# peak memory, and stops the servers by pid.
# Usage: bench/receive_run.sh [BUILD_DIR] [RUNS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/dev}
runs=${2:-3}
bench="$build/bench/receive_run_bench"
[ -x "$bench" ] || { echo "build $bench first" >&2; exit 2; }

export POP3_PORT=${POP3_PORT:-42110}
export SMTP_PORT=${SMTP_PORT:-42025}
tree=$(mktemp -d /tmp/ybk-rbench.XXXXXX)
trap '"$root/scripts/mailservers/stop.sh" "$tree" >/dev/null; rm -rf "$tree"' EXIT
"$root/scripts/mailservers/start.sh" "$tree" >/dev/null

# 200 messages with a small attachment each, made from one template.
emls="$tree/emls"
mkdir -p "$emls"
body=$(printf '添付ファイルを送ります。ご確認ください。\n' | iconv -f UTF-8 -t ISO-2022-JP)
subject=$(printf '資料送付' | iconv -f UTF-8 -t ISO-2022-JP | base64 -w0)
name=$(printf '資料' | iconv -f UTF-8 -t ISO-2022-JP | base64 -w0)
payload=$(head -c 3000 /dev/zero | tr '\0' 'x' | base64)
args=()
for i in $(seq 1 200); do
  f="$emls/a$i.eml"
  {
    printf 'From: attach@example.test\nTo: alice@example.test\n'
    printf 'Subject: =?ISO-2022-JP?B?%s?= %d\nMessage-ID: <attach.%d@example.test>\n' "$subject" "$i" "$i"
    printf 'Date: Tue, 1 Dec 2026 10:00:00 +0900\nMIME-Version: 1.0\n'
    printf 'Content-Type: multipart/mixed; boundary="B"\n\n--B\n'
    printf 'Content-Type: text/plain; charset=ISO-2022-JP\n\n%s\n--B\n' "$body"
    printf 'Content-Type: application/octet-stream; name="=?ISO-2022-JP?B?%s?=.dat"\n' "$name"
    printf 'Content-Transfer-Encoding: base64\n\n%s\n--B--\n' "$payload"
  } > "$f"
  args+=(--eml "$f")
done
"$root/scripts/mailservers/seed.sh" "$tree" alice --clear --count 800 --size 5000 "${args[@]}" >/dev/null

home="$tree/fetchmail"
mkdir -p "$home"
cat > "$home/fetchmailrc" <<RC
set no syslog
poll 127.0.0.1 with proto POP3 and port $POP3_PORT and timeout 60:
  user "alice" there with password "alicepw" is "root" here
  keep fetchall
  sslproto ''
  mda "cat > $home/out/m.\$\$"
RC
chmod 600 "$home/fetchmailrc"

"$bench" "$POP3_PORT" alice alicepw "$runs" "$home"

# One message with a 100 MB attachment.
big="$tree/big.eml"
{
  printf 'From: big@example.test\nSubject: big\nMessage-ID: <big@example.test>\n'
  printf 'MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary="B"\n\n--B\n'
  printf 'Content-Type: text/plain\n\nlarge file\n--B\n'
  printf 'Content-Type: application/octet-stream; name="big.bin"\n'
  printf 'Content-Transfer-Encoding: base64\n\n'
  head -c 104857600 /dev/urandom | base64 -w 76
  printf -- '--B--\n'
} > "$big"
# Straight into the mailbox: the seeding script holds a message in a shell variable.
"$root/scripts/mailservers/seed.sh" "$tree" alice --clear >/dev/null
maildir="$tree/mail/alice/Maildir"
mv "$big" "$maildir/new/$(date +%s).Mbig.seed"
chown -R mail:mail "$maildir"
"$bench" "$POP3_PORT" alice alicepw memory
