#!/usr/bin/env bash
# What the program costs with the server it starts for itself, as a new user meets it: the
# program starts with fresh folders (the default pair, 简体中文 → 英语) and no QUILLO_SERVICE,
# starts its own quillo-server, and after the given time the PSS of the program, the server and
# the server's children (Apertium pipelines) is summed from /proc/*/smaps_rollup, with the
# processor time each has used so far. Each program given (main's build and this tree's, say;
# quillo-server must be beside it) is measured in turn, on the offscreen platform.
#
# The build's default address must not answer (then the program would use that server instead);
# the line says "no own server" when that happened. A first start (not measured) builds the
# dictionary's index, as a user's first start does once.
#
# usage: bench/server/own_server_pss.sh PROGRAM [OTHER_PROGRAM] [seconds, default 3]
set -euo pipefail

program=${1:?usage: own_server_pss.sh PROGRAM [OTHER_PROGRAM] [seconds]}
other=${2:-}
seconds=${3:-3}

source "$(dirname "$0")/../common.sh" ""
bench_workspace

descendants() { # pid -> the pid and all its descendants
  local pid=$1 child
  echo "$pid"
  for child in $(cat /proc/"$pid"/task/*/children 2>/dev/null); do descendants "$child"; done
}

pss_kb() { # pids -> summed PSS in kB
  local total=0 pid value
  for pid in "$@"; do
    value=$(awk '/^Pss:/ {print $2}' /proc/"$pid"/smaps_rollup 2>/dev/null || echo 0)
    total=$((total + ${value:-0}))
  done
  echo "$total"
}

cpu_ms() { # pids -> summed user and system time in ms
  local ticks=0 pid value
  for pid in "$@"; do
    value=$(awk '{print $14 + $15}' /proc/"$pid"/stat 2>/dev/null || echo 0)
    ticks=$((ticks + ${value:-0}))
  done
  echo $((ticks * 1000 / $(getconf CLK_TCK)))
}

start_program() { # program folder -> $pid
  env -u QUILLO_SERVICE QT_QPA_PLATFORM=offscreen HOME="$2" XDG_RUNTIME_DIR="$2/run" \
    XDG_CONFIG_HOME="$2/config" XDG_DATA_HOME="$2/data" XDG_STATE_HOME="$2/state" \
    XDG_CACHE_HOME="$2/cache" "$1" >/dev/null 2>&1 &
  pid=$!
  pids+=($pid)
}

end_program() { # pid folder
  local server
  server=$(head -n 1 "$2/run/quillo/server" 2>/dev/null || true)
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  if [ -n "$server" ]; then
    for _ in $(seq 100); do kill -0 "$server" 2>/dev/null || break; sleep 0.1; done
    kill "$server" 2>/dev/null || true
  fi
}

measure() { # program
  local dir pid server program_kb server_kb
  dir=$(mktemp -d -p "$work")
  mkdir -m 700 "$dir/run"
  start_program "$1" "$dir"
  for _ in $(seq 600); do [ -s "$dir/run/quillo/server" ] && break; sleep 0.1; done
  end_program "$pid" "$dir"
  start_program "$1" "$dir"
  sleep "$seconds"
  server=$(head -n 1 "$dir/run/quillo/server" 2>/dev/null || true)
  program_kb=$(pss_kb "$pid")
  if [ -z "$server" ]; then
    printf '%-44s %8s MB %18s\n' "$1" "$((program_kb / 1024))" "no own server"
  else
    mapfile -t tree < <(descendants "$server")
    server_kb=$(pss_kb "${tree[@]}")
    printf '%-44s %8s MB %8s MB %8s MB %8s ms %8s ms\n' "$1" "$((program_kb / 1024))" "$((server_kb / 1024))" \
      "$(((program_kb + server_kb) / 1024))" "$(cpu_ms "$pid")" "$(cpu_ms "${tree[@]}")"
  fi
  end_program "$pid" "$dir"
}

printf '%-44s %11s %11s %11s %11s %11s\n' "after ${seconds} s, default pair" program server together \
  "program CPU" "server CPU"
for binary in "$program" ${other:+"$other"}; do
  measure "$binary"
done
