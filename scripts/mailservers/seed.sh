#!/usr/bin/env bash
# Puts messages into a mailbox of the tree start.sh made, in a fixed order (message i of this
# call is POP3 message i after any already there). Files get LF line ends, mail:mail ownership
# and size tags in their names so the server never has to read them to answer STAT or LIST.
# Usage: seed.sh DIR USER [--clear] [--count N [--size BYTES]] [--eml FILE]...
#   --clear   empty the mailbox first
#   --count   generate N messages of about BYTES (default 5000) each: odd ones ASCII, even ones
#             ISO-2022-JP, each with a line starting with "." so dot-stuffing is exercised
#   --eml     add FILE as one message (CR LF line ends are turned into LF)
set -euo pipefail
export LC_ALL=C

dir=${1:?usage: seed.sh DIR USER [--clear] [--count N [--size B]] [--eml FILE]...}
user=${2:?user}
shift 2
maildir="$dir/mail/$user/Maildir"
[ -d "$maildir" ] || { echo "seed.sh: no mailbox $maildir" >&2; exit 2; }

clear=0
count=0
size=5000
emls=()
while [ $# -gt 0 ]; do
  case "$1" in
    --clear) clear=1 ;;
    --count) count=$2; shift ;;
    --size) size=$2; shift ;;
    --eml) emls+=("$2"); shift ;;
    *) echo "seed.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

if [ $clear -eq 1 ]; then
  rm -f "$maildir"/new/* "$maildir"/cur/* "$maildir"/tmp/* "$maildir/dovecot-uidlist"
fi

# Leading timestamps strictly increase across calls: the server numbers messages by them.
stamp_file="$dir/seed.last"
last=0
[ -s "$stamp_file" ] && last=$(cat "$stamp_file")
now=$(date +%s)
next=$(( now > last ? now : last + 1 ))
seq_no=0

put() {  # content
  local content=$1 lines name
  lines=${content//[^$'\n']/}
  name="$next.M${seq_no}P$$.seed,S=${#content},W=$(( ${#content} + ${#lines} ))"
  printf '%s' "$content" > "$maildir/tmp/$name"
  next=$((next + 1))
  seq_no=$((seq_no + 1))
}

for file in "${emls[@]}"; do
  content=$(tr -d '\r' < "$file"; printf x)
  put "${content%x}"
done

if [ "$count" -gt 0 ]; then
  jis_line=$(printf '日本語の本文です。受信のテストに使います。\n' | iconv -f UTF-8 -t ISO-2022-JP)
  jis_subject=$(printf '試験' | iconv -f UTF-8 -t ISO-2022-JP | base64 -w0)
  ascii_line="The quick brown fox jumps over the lazy dog while the POP3 client reads."
  for ((i = 1; i <= count; i++)); do
    if (( i % 2 )); then
      head="Subject: seed message $i"$'\n'"Content-Type: text/plain; charset=us-ascii"
      line=$ascii_line
    else
      head="Subject: =?ISO-2022-JP?B?$jis_subject?= $i"$'\n'
      head+="Content-Type: text/plain; charset=ISO-2022-JP"
      line=$jis_line
    fi
    msg="From: sender@example.test"$'\n'"To: $user@example.test"$'\n'"$head"$'\n'
    msg+="Content-Transfer-Encoding: 7bit"$'\n'"MIME-Version: 1.0"$'\n'
    msg+="Message-ID: <seed.$next.$i@example.test>"$'\n'
    msg+="Date: Tue, 1 Dec 2026 10:00:00 +0900"$'\n\n'".leading dot line $i"$'\n'
    while [ ${#msg} -lt "$size" ]; do
      msg+="$line"$'\n'
    done
    put "$msg"
  done
fi

echo "$((next - 1))" > "$stamp_file"
chown -R mail:mail "$maildir"
if compgen -G "$maildir/tmp/*" >/dev/null; then
  mv "$maildir"/tmp/* "$maildir/new/"
fi
echo "SEEDED=$seq_no"
