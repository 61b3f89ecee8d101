#!/usr/bin/env bash
# UIDL benchmark: starts the loopback servers in a temporary tree, seeds COUNT messages of about
# 50 KB, runs uidl_receive_bench (a second receive run with the UIDL file against without it)
# and stops the servers by pid.
# Usage: bench/uidl_receive.sh [BUILD_DIR] [COUNT] [RUNS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/dev}
count=${2:-1000}
runs=${3:-5}
bench="$build/bench/uidl_receive_bench"
[ -x "$bench" ] || { echo "build $bench first" >&2; exit 2; }

# Ports apart from the test fixtures', so a test run elsewhere does not collide.
export POP3_PORT=${POP3_PORT:-44210}
export SMTP_PORT=${SMTP_PORT:-44125}
tree=$(mktemp -d /tmp/ybk-ubench.XXXXXX)
trap '"$root/scripts/mailservers/stop.sh" "$tree" >/dev/null; rm -rf "$tree"' EXIT
"$root/scripts/mailservers/start.sh" "$tree" >/dev/null
"$root/scripts/mailservers/seed.sh" "$tree" alice --clear --count "$count" --size 50000 >/dev/null

"$bench" "$POP3_PORT" alice alicepw "$runs"
