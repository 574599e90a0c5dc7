#!/usr/bin/env bash
# How often an idle quillo-server wakes up: the server runs as the program starts it (echo
# backend, --clients-folder with a copy holding the clients lock), nothing is sent to it, and the
# context switches of all its threads (/proc/PID/task/*/status, voluntary and involuntary) are
# counted over the given time after a settling pause. Prints wake-ups per minute for each server
# given, side by side (main's build before a change, this tree's after, say).
#
# usage: bench/server/idle_wakeups.sh SERVER [OTHER_SERVER] [seconds, default 60]
set -euo pipefail

server=${1:?usage: idle_wakeups.sh SERVER [OTHER_SERVER] [seconds]}
other=${2:-}
seconds=${3:-60}
settle=5

source "$(dirname "$0")/../common.sh" ""
bench_workspace

switches() { # pid -> context switches of all its threads so far
  cat /proc/"$1"/task/*/status 2>/dev/null | awk '/ctxt_switches/ {n += $2} END {print n + 0}'
}

measure() { # binary -> prints its line
  local dir pid before after
  dir=$(mktemp -d -p "$work")
  flock -s "$dir/clients.lock" sleep $((seconds + settle + 30)) </dev/null >/dev/null 2>&1 &
  pids+=($!)
  "$1" --listen 127.0.0.1:0 --backend echo --data "$dir" --clients-folder "$dir" --quiet \
    >"$dir/first" 2>/dev/null &
  pid=$!
  pids+=($pid)
  until [ -s "$dir/first" ]; do sleep 0.05; done
  sleep "$settle"
  before=$(switches "$pid")
  sleep "$seconds"
  after=$(switches "$pid")
  kill "$pid"
  printf '%-50s %s\n' "$1" $(((after - before) * 60 / seconds))
}

printf '%-50s %s\n' "server (idle, ${seconds} s)" "wake-ups per minute"
for binary in "$server" ${other:+"$other"}; do
  measure "$binary"
done
