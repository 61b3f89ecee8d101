#!/usr/bin/env bash
# Stops the servers start.sh started under DIR, by the pids it recorded, and removes the tree
# (KEEP=1 keeps it for a look at the logs). Only processes started from DIR are signalled:
# the two masters and the children they had when the stop began (pid and start time checked).
set -uo pipefail

dir=${1:?usage: stop.sh DIR}
[ -d "$dir/pids" ] || { echo "stop.sh: nothing started under $dir"; exit 0; }

# Start time (field 22 of /proc/PID/stat) of a live, non-zombie process; empty otherwise.
start_time() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 0
  stat=${stat##*) }
  # shellcheck disable=SC2086
  set -- $stat
  [ "$1" = "Z" ] && return 0
  echo "${20}"
}

children_of() {
  local parent=$1 entry
  for entry in /proc/[0-9]*/stat; do
    local stat pid
    stat=$(cat "$entry" 2>/dev/null) || continue
    pid=${stat%% *}
    stat=${stat##*) }
    # shellcheck disable=SC2086
    set -- $stat
    [ "$2" = "$parent" ] && echo "$pid $(start_time "$pid")"
  done
}

alive() {  # pid start-time
  [ -n "$2" ] && [ "$(start_time "$1")" = "$2" ]
}

begin=$SECONDS
masters=()
tracked=()
for name in dovecot postfix; do
  file="$dir/pids/$name.pid"
  [ -s "$file" ] || continue
  pid=$(tr -d ' \n' < "$file")
  st=$(start_time "$pid")
  [ -n "$st" ] || continue
  masters+=("$pid $st")
  while read -r child cst; do
    [ -n "$child" ] && tracked+=("$child $cst")
  done < <(children_of "$pid")
done

for entry in "${masters[@]}"; do
  kill -TERM "${entry%% *}" 2>/dev/null || true
done

wait_gone() {  # seconds, entries...
  local limit=$((SECONDS + $1)) entry left
  shift
  while :; do
    left=0
    for entry in "$@"; do
      # shellcheck disable=SC2086
      alive $entry && left=1
    done
    [ $left -eq 0 ] && return 0
    [ $SECONDS -lt $limit ] || return 1
    sleep 0.05
  done
}

wait_gone 5 "${masters[@]}" || true
for entry in "${tracked[@]}" "${masters[@]}"; do
  # shellcheck disable=SC2086
  alive $entry && kill -TERM "${entry%% *}" 2>/dev/null
done
if ! wait_gone 2 "${tracked[@]}" "${masters[@]}"; then
  for entry in "${tracked[@]}" "${masters[@]}"; do
    # shellcheck disable=SC2086
    alive $entry && kill -KILL "${entry%% *}" 2>/dev/null
  done
  wait_gone 2 "${tracked[@]}" "${masters[@]}" || true
fi

if [ "${KEEP:-0}" != 1 ]; then
  rm -rf "$dir"
else
  rm -rf "$dir/pids"
fi
echo "STOP_SECONDS=$((SECONDS - begin))"
