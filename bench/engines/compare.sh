#!/usr/bin/env bash
# Builds the engine benchmarks and quillo-server, then prints in one run:
#  1. quillo-server's own overhead in front of a chat model: the median latency (wrk, p50) of the
#     program's request through quillo-server to a stand-in that answers in a fixed time, next to
#     the stand-in asked directly with the same chat request, on 1 and on 16 connections;
#  2. the dictionary: first-start index build, one lookup per word, the open index's memory.
#
# usage: bench/engines/compare.sh [build dir, default build-bench] [repetitions, default 5] [wrk seconds, default 10] [stand-in delay µs, default 1000]
set -euo pipefail

source "$(dirname "$0")/../common.sh" "$@"
seconds=${3:-10}
delay=${4:-1000}

bench_build bench_engines bench_llm_standin quillo-server

bench_workspace

start() { # output file, command...
  local out=$1; shift
  "$@" >"$out" 2>/dev/null &
  pids+=($!)
  until [ -s "$out" ]; do sleep 0.05; done
  awk '{print $NF}' "$out"
}
standin=$(start "$work/standin" "$build/bench/engines/bench_llm_standin" "$delay")
quillo=$(QUILLO_LLM_URL="http://$standin/v1" QUILLO_LLM_MODEL=bench \
  start "$work/quillo" "$build/server/quillo-server" --listen 127.0.0.1:0 --backend llm --data "$work" --quiet)

p50_ms() { # connections, url, script
  wrk -t"$(( $1 < 2 ? 1 : 2 ))" -c"$1" -d"${seconds}s" --latency -s "$3" "$2" |
    awk '$1 == "50%" { v = $2; u = v; gsub(/[0-9.]/, "", u); sub(/[a-z]+$/, "", v);
                       f = (u == "us") ? 0.001 : (u == "s") ? 1000 : 1; printf "%.3f", v * f }'
}
here=$(dirname "$0")
echo "Chat model stand-in answering in ${delay} µs: median latency (wrk p50, ${seconds} s each)"
printf "  %4s %14s %16s %12s\n" conn "stand-in ms" "via server ms" "overhead ms"
for c in 1 16; do
  direct=$(p50_ms "$c" "http://$standin/v1/chat/completions" "$here/chat.lua")
  through=$(p50_ms "$c" "http://$quillo/translate_txt" "$here/post.lua")
  printf "  %4s %14s %16s %12s\n" "$c" "$direct" "$through" "$(awk -v a="$through" -v b="$direct" 'BEGIN { printf "%.3f", a - b }')"
done

echo
echo "Dictionary (CC-CEDICT, $(grep -vc '^#' "$root/.deps/cedict/cedict_ts.u8") entries), medians of $repetitions"
bench_aggregates "$build/bench/engines/bench_engines" --benchmark_format=json >"$work/dict.json"
python3 - "$work/dict.json" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
for r in runs:
    if r.get("aggregate_name") != "median":
        continue
    name = r["run_name"].removeprefix("BM_")
    extra = f"   index in memory {r['index_mb']:.1f} MB" if "index_mb" in r else ""
    print(f"  {name:18} {r['real_time']:10.3f} {r['time_unit']}{extra}")
PY
