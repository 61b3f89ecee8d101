#!/bin/bash
# Runs the send benchmark: starts loopback Postfix and Dovecot on the compose ports, then in
# one run a 1,000-row merge against python3 smtplib sending 1,000 prepared messages, and one
# message with a 20 MB attachment against smtplib sending the same MIME bytes (3 runs each,
# medians). Usage: bench/send_bench.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: send_bench.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
scripts="$here/../scripts/mailservers"
dir=/tmp/ybk-send-bench-$$
export POP3_PORT=43110 SMTP_PORT=43025
"$scripts/start.sh" "$dir" >/dev/null
trap '"$scripts/stop.sh" "$dir" >/dev/null' EXIT
maildir="$dir/mail/bob/Maildir"
work=$(mktemp -d /tmp/ybk-send-work.XXXXXX)
trap '"$scripts/stop.sh" "$dir" >/dev/null; rm -rf "$work"' EXIT
head -c 20000000 /dev/urandom > "$work/big.bin"

clear_box() { find "$maildir/new" "$maildir/cur" -type f -delete; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

ours=() peer=()
for run in 1 2 3; do
  clear_box
  ours+=("$("$build/bench/send_bench" merge "$SMTP_PORT" 1000 | field seconds)")
  peer+=("$(python3 "$here/send_peer.py" merge "$SMTP_PORT" 1000 | field seconds)")
done
m_ours=$(printf '%s\n' "${ours[@]}" | median)
m_peer=$(printf '%s\n' "${peer[@]}" | median)

bours=() bpeer=() rss=()
for run in 1 2 3; do
  clear_box
  out=$("$build/bench/send_bench" big "$SMTP_PORT" "$work/big.bin")
  bours+=("$(echo "$out" | field seconds)")
  before=$(echo "$out" | field rss_before_kb)
  after=$(echo "$out" | field rss_after_kb)
  rss+=("$(( (after - before) / 1024 ))")
  # Our own wire text, as delivered, minus the lines Postfix and Dovecot put in front.
  for _ in $(seq 300); do
    f=$(find "$maildir/new" "$maildir/cur" -type f | head -1)
    [ -n "$f" ] && break
    sleep 0.1
  done
  python3 - "$f" "$work/big.eml" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
lines = data.split(b"\n")
i = 0
while i < len(lines):
    if lines[i].startswith((b"Return-Path:", b"Delivered-To:", b"Received:")) or \
            (i > 0 and lines[i][:1] in (b" ", b"\t") and skipping):
        skipping = True
        i += 1
        continue
    skipping = False
    break
open(sys.argv[2], "wb").write(b"\r\n".join(lines[i:]))
PY
  clear_box
  bpeer+=("$(python3 "$here/send_peer.py" big "$SMTP_PORT" "$work/big.eml" | field seconds)")
done
b_ours=$(printf '%s\n' "${bours[@]}" | median)
b_peer=$(printf '%s\n' "${bpeer[@]}" | median)
r_med=$(printf '%s\n' "${rss[@]}" | median)
clear_box

awk -v mo="$m_ours" -v mp="$m_peer" -v bo="$b_ours" -v bp="$b_peer" -v r="$r_med" 'BEGIN {
  printf "merge 1000 rows: ours %.3f s (%.0f msg/s), smtplib %.3f s (%.0f msg/s), ours/peer rate %.2f\n",
         mo, 1000 / mo, mp, 1000 / mp, mp / mo
  printf "20 MB attachment: ours %.3f s, smtplib same bytes %.3f s, time ratio ours/peer %.2f\n",
         bo, bp, bo / bp
  printf "peak memory growth while sending the 20 MB message: %d MB\n", r
}'
