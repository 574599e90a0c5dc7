#!/usr/bin/env bash
# Builds bench_skins optimised and prints the median CPU time of each way to load one skin and
# how it compares with unpacking a stored skin (Quillo).
#
# usage: bench/skins/compare.sh [build dir, default build-bench] [repetitions, default 5]
set -euo pipefail

source "$(dirname "$0")/../common.sh" "$@"

bench_build bench_skins

bench_aggregates "$build/bench/skins/bench_skins" --benchmark_min_time=0.5 --benchmark_format=csv |
awk -F, '
  $1 ~ /_median"$/ {
    name = $1; gsub(/"/, "", name); sub(/_median$/, "", name); sub(/^BM_/, "", name)
    time[name] = $4; unit[name] = $5; ways[++n] = name
  }
  END {
    printf "%-14s %14s %12s\n", "way", "median CPU", "vs Quillo"
    for (w = 1; w <= n; ++w)
      printf "%-14s %11.2f %-2s %11.2fx\n", ways[w], time[ways[w]], unit[ways[w]], time[ways[w]] / time["Quillo"]
  }'
