#!/usr/bin/env bash
# POP3 download benchmark: starts the loopback servers in a temporary tree, seeds COUNT
# messages of about 5 KB, runs pop3_download_bench (TIdPOP3 vs raw loop vs fetchmail) and
# stops the servers by pid.
# Usage: bench/pop3_download.sh [BUILD_DIR] [COUNT] [RUNS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/dev}
count=${2:-1000}
runs=${3:-5}
bench="$build/bench/pop3_download_bench"
[ -x "$bench" ] || { echo "build $bench first" >&2; exit 2; }

# Ports apart from the test fixture's, so a test run elsewhere does not collide.
export POP3_PORT=${POP3_PORT:-41210}
export SMTP_PORT=${SMTP_PORT:-41125}
tree=$(mktemp -d /tmp/ybk-bench.XXXXXX)
trap '"$root/scripts/mailservers/stop.sh" "$tree" >/dev/null' EXIT
"$root/scripts/mailservers/start.sh" "$tree" >/dev/null
"$root/scripts/mailservers/seed.sh" "$tree" alice --clear --count "$count" --size 5000 >/dev/null

home="$tree/fetchmail"
mkdir -p "$home"
cat > "$home/fetchmailrc" <<RC
set no syslog
poll 127.0.0.1 with proto POP3 and port $POP3_PORT and timeout 60:
  user "alice" there with password "alicepw" is "root" here
  keep fetchall
  sslproto ''
  mda "cat > /dev/null"
RC
chmod 600 "$home/fetchmailrc"

"$bench" "$POP3_PORT" alice alicepw "$runs" "$home"
