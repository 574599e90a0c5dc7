#!/usr/bin/env bash
# The echo backend's /translate_txt under wrk at 1, 16 and 64 connections, alone and with 16
# slow clients attached (each sends one header byte a second and never finishes its request),
# for this tree's quillo-server and, when a second build directory is given, for another build
# (main's, say) side by side. Prints requests per second, p50 and p99 latency (0 when nothing
# was answered), and how many requests were answered.
#
# usage: bench/server/slow_clients.sh [build dir, default build-bench] [other build dir]
#                                    [its label, default "other"] [wrk seconds, default 10]
set -euo pipefail

source "$(dirname "$0")/../common.sh" "${1:-}"
other=${2:-}
label=${3:-other}
seconds=${4:-10}

bench_build quillo-server

bench_workspace

start_server() { # binary -> prints host:port
  local dir
  dir=$(mktemp -d -p "$work")
  "$1" --listen 127.0.0.1:0 --backend echo --data "$dir" --quiet >"$dir/first" 2>/dev/null &
  pids+=($!)
  until [ -s "$dir/first" ]; do sleep 0.05; done
  awk '{print $NF}' "$dir/first"
}

# Holds N connections open, sending one byte of an endless header line each second.
start_slow_clients() { # host:port count
  python3 - "$1" "$2" <<'PY' &
import socket, sys, time
host, port = sys.argv[1].rsplit(":", 1)
clients = []
for _ in range(int(sys.argv[2])):
    s = socket.create_connection((host, int(port)))
    s.sendall(b"POST /translate_txt HTTP/1.1\r\nHost: " + sys.argv[1].encode() + b"\r\nX-Slow: ")
    clients.append(s)
while True:
    time.sleep(1)
    for s in clients:
        try:
            s.sendall(b"a")
        except OSError:
            pass
PY
  pids+=($!)
  sleep 1
}

measure() { # label, address, connections
  local out
  out=$(wrk -t"$(( $3 < 2 ? 1 : 2 ))" -c"$3" -d"${seconds}s" --timeout 5s --latency \
        -s "$root/bench/server/post.lua" "http://$2/translate_txt" 2>&1 || true)
  printf "  %-28s %4s %10s %10s %10s %9s\n" "$1" "$3" \
    "$(awk '/^Requests\/sec/ {printf "%.0f", $2}' <<<"$out")" \
    "$(awk '$1 == "50%" {print $2}' <<<"$out")" \
    "$(awk '$1 == "99%" {print $2}' <<<"$out")" \
    "$(awk '/requests in/ {print $1}' <<<"$out")"
}

run_build() { # label, binary
  local address
  address=$(start_server "$2")
  for c in 1 16 64; do measure "$1" "$address" "$c"; done
  start_slow_clients "$address" 16
  for c in 1 16 64; do measure "$1 + 16 slow" "$address" "$c"; done
  kill "${pids[@]}" 2>/dev/null || true
  pids=()
}

echo "echo /translate_txt under wrk (${seconds} s each); answered: requests answered in that time"
printf "  %-28s %4s %10s %10s %10s %9s\n" "server" "conn" "req/s" "p50" "p99" "answered"
run_build "this tree" "$build/server/quillo-server"
if [ -n "$other" ]; then
  run_build "$label" "$other/server/quillo-server"
fi
