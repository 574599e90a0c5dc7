#!/usr/bin/env bash
# Builds bench_convert optimised and prints, per text, the median CPU time of each way to convert
# Simplified to Traditional and how many times slower than SimplifiedToTraditional it is.
#
# usage: bench/convert/compare.sh [build dir, default build-bench] [repetitions, default 5]
set -euo pipefail

source "$(dirname "$0")/../common.sh" "$@"

bench_build bench_convert

bench_aggregates "$build/bench/convert/bench_convert" --benchmark_min_time=0.5 --benchmark_format=csv |
awk -F, '
  $1 ~ /_median"$/ {
    name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
    split(name, part, "/"); way = part[1]; sub(/^BM_/, "", way)
    text = part[2] == 0 ? "2000 characters" : "1 MiB"
    time[text, way] = $4; unit[text, way] = $5; rate[text, way] = $6 / 1048576
    if (!(way in seen)) { seen[way] = 1; ways[++n] = way }
  }
  END {
    split("2000 characters,1 MiB", texts, ",")
    for (t = 1; t <= 2; ++t) {
      printf "%s\n  %-12s %14s %12s %14s\n", texts[t], "way", "median CPU", "MiB/s", "vs Quillo"
      for (w = 1; w <= n; ++w) {
        key = texts[t] SUBSEP ways[w]
        if (!(key in time)) continue
        printf "  %-12s %11.1f %-2s %12.2f %13.1fx\n", ways[w], time[key], unit[key], rate[key],
               time[key] / time[texts[t], "Quillo"]
      }
    }
  }'
