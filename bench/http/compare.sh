#!/usr/bin/env bash
# Builds bench_http optimised, runs every case a few times in one run, and prints the medians:
# download throughput of TWebRequest (TransferBufferSize 4096 and 65536, OnProgress bound) next
# to the curl command line, and the time per small GET of TWebRequest next to a bare libcurl loop
# and the curl command line. The 256 MiB file lives in the program's own temporary folder.
#
# usage: bench/http/compare.sh [build dir, default build-bench] [repetitions, default 5]
set -euo pipefail

source "$(dirname "$0")/../common.sh" "$@"

bench_build bench_http

json=$(mktemp)
trap 'rm -f "$json"' EXIT
bench_aggregates "$build/bench/http/bench_http" --benchmark_enable_random_interleaving=true \
  --benchmark_format=json >"$json"

python3 - "$json" <<'PY'
import json, sys

runs = json.load(open(sys.argv[1]))["benchmarks"]
median = {}
for r in runs:
    if r.get("aggregate_name") == "median":
        median[r["run_name"].split("/iterations")[0]] = r

def mib_s(name):
    return median[name]["bytes_per_second"] / 1048576

def us_per_request(name):
    return 1e6 / median[name]["items_per_second"]

curl = mib_s("CurlCliDownload")
print("256 MiB download to a file, median throughput")
print(f"  {'way':34} {'MiB/s':>10} {'vs curl CLI':>12}")
for size in (4096, 65536):
    name = f"Download/{size}"
    events = median[name].get("progress_events", 0)
    label = f"TWebRequest, buffer {size} ({events:.0f} events)"
    print(f"  {label:34} {mib_s(name):10.1f} {mib_s(name) / curl:11.0%}")
print(f"  {'curl command line':34} {curl:10.1f} {1:11.0%}")

print("\nSmall GETs in a row, median time per request")
lib = us_per_request("SmallGets/Libcurl")
rows = [("TWebRequest (thread, hand-over, events)", "SmallGets/Component"),
        ("bare libcurl loop, fresh handle", "SmallGets/Libcurl"),
        ("curl command line, one process", "SmallGets/CurlCli"),
        ("curl command line, process each", "SmallGets/CurlCliProcesses")]
print(f"  {'way':40} {'us/request':>11} {'vs libcurl':>11}")
for label, name in rows:
    t = us_per_request(name)
    print(f"  {label:40} {t:11.1f} {t / lib:10.2f}x")
print(f"\n  TWebRequest's own cost per request: {us_per_request('SmallGets/Component') - lib:.1f} us")
print(f"  one synchronous hand-over (worker -> GUI thread -> worker): {us_per_request('HandOver'):.1f} us")
PY
