#!/usr/bin/env bash
# TLS benchmark: makes a throw-away certificate authority, starts the loopback servers with TLS
# in a temporary tree, seeds COUNT messages of about 5 KB, runs tls_download_bench (plain text
# vs TLS from the first byte vs STLS) and stops the servers by pid.
# Usage: bench/tls_download.sh [BUILD_DIR] [COUNT] [RUNS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/dev}
count=${2:-1000}
runs=${3:-5}
bench="$build/bench/tls_download_bench"
[ -x "$bench" ] || { echo "build $bench first" >&2; exit 2; }

# Ports apart from the test fixtures', so a test run elsewhere does not collide.
export POP3_PORT=${POP3_PORT:-44210} SMTP_PORT=${SMTP_PORT:-44125}
export POP3S_PORT=${POP3S_PORT:-44295} SMTPS_PORT=${SMTPS_PORT:-44265}
tree=$(mktemp -d /tmp/ybk-tbench.XXXXXX)
trap '"$root/scripts/mailservers/stop.sh" "$tree" >/dev/null; rm -rf "$tree" "$tree-certs"' EXIT
"$root/scripts/mailservers/make-test-certs.sh" "$tree-certs" >/dev/null
TLS_DIR="$tree-certs" "$root/scripts/mailservers/start.sh" "$tree" >/dev/null
"$root/scripts/mailservers/seed.sh" "$tree" alice --clear --count "$count" --size 5000 >/dev/null

SSL_CERT_FILE="$tree-certs/ca.pem" "$bench" "$POP3_PORT" "$POP3S_PORT" alice alicepw "$runs"
