#!/usr/bin/env bash
# Builds the dictionary benchmark and prints, in one run: the median and 99th-percentile latency of
# one lookup on the largest installed freedict dictionary and on a generated 500,000-entry StarDict
# dictionary (dictzipped), and the PSS that opening every installed dictionary adds.
#
# usage: bench/dictformats/run.sh [build dir, default build-bench]
set -euo pipefail

source "$(dirname "$0")/../common.sh" "${1:-}" 1
bench_build bench_dictionaries
"$build/bench/dictformats/bench_dictionaries" --benchmark_counters_tabular=true
