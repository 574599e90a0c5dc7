#!/usr/bin/env bash
# Builds bench_server and quillo-server, then prints in one run:
#  1. the median time per English->Spanish sentence of quillo-server (/translate_txt, warm Apertium
#     pipelines) next to apertium-apy (/translate) and a cold `apertium eng-spa` per sentence;
#  2. the echo backend's throughput and median latency under wrk, on 1 and on 16 connections,
#     next to apertium-apy's /listPairs (its cheapest request) under the same load.
#
# usage: bench/server/compare.sh [build dir, default build-bench] [repetitions, default 5] [wrk seconds, default 10]
set -euo pipefail

source "$(dirname "$0")/../common.sh" "$@"
seconds=${3:-10}

bench_build bench_server quillo-server

bench_workspace
json=$work/results.json

bench_aggregates "$build/bench/server/bench_server" --benchmark_enable_random_interleaving=true \
  --benchmark_min_time=2 --benchmark_format=json >"$json"

python3 - "$json" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
name = lambda r: r["run_name"].split("/")[0].removeprefix("BM_")
median = {name(r): r for r in runs if r.get("aggregate_name") == "median"}
# A benchmark that stopped with an error reports no aggregates: say which and why.
errors = {name(r): r.get("error_message", "error") for r in runs if r.get("error_occurred")}
print("English -> Spanish, one sentence per request, median wall time per sentence")
print(f"  {'way':22} {'ms':>9} {'vs apertium-apy':>16}")
apy = median.get("ApertiumApy", {}).get("real_time")
for way in ("QuilloServer", "ApertiumApy", "ColdApertiumProcess"):
    if way not in median:
        print(f"  {way:22} no figures: {errors.get(way, 'did not run')}")
        continue
    t = median[way]["real_time"]
    print(f"  {way:22} {t:9.2f} " + (f"{t / apy:15.2f}x" if apy else f"{'-':>16}"))
PY

# Throughput of the echo backend, and apertium-apy's cheapest request for scale.
"$build/server/quillo-server" --listen 127.0.0.1:0 --backend echo --data "$work" --quiet >"$work/first" 2>/dev/null &
pids+=($!)
until [ -s "$work/first" ]; do sleep 0.05; done
quillo=$(awk '{print $NF}' "$work/first")
apy_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
apertium-apy -p "$apy_port" /usr/share/apertium/modes >/dev/null 2>&1 &
pids+=($!)
until curl -sf "http://127.0.0.1:$apy_port/listPairs" >/dev/null; do sleep 0.2; done

measure() { # label, connections, url, [script]
  local out
  out=$(wrk -t"$(( $2 < 2 ? 1 : 2 ))" -c"$2" -d"${seconds}s" --latency ${4:+-s "$4"} "$3")
  printf "  %-34s %4s %12s %12s\n" "$1" "$2" \
    "$(awk '/^Requests\/sec/ {printf "%.0f", $2}' <<<"$out")" \
    "$(awk '$1 == "50%" {print $2}' <<<"$out")"
}
echo
echo "Throughput under wrk (${seconds} s each), requests per second and median latency"
printf "  %-34s %4s %12s %12s\n" "server" "conn" "req/s" "median"
for c in 1 16; do
  measure "quillo-server echo /translate_txt" "$c" "http://$quillo/translate_txt" "$root/bench/server/post.lua"
  measure "apertium-apy /listPairs" "$c" "http://127.0.0.1:$apy_port/listPairs"
done
