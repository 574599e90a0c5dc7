#!/usr/bin/env bash
# Builds bench_skin_switch optimised and prints the median wall time of a skin switch with every
# window open, and how it compares with the switch alone (Switch).
#
# usage: bench/skins/switch.sh [build dir, default build-bench] [repetitions, default 5]
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-bench}
repetitions=${2:-5}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target bench_skin_switch -j2 >/dev/null

QT_QPA_PLATFORM=offscreen "$build/bench/skins/bench_skin_switch" --benchmark_repetitions="$repetitions" \
  --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
awk -F, '
  $1 ~ /_median"$/ {
    name = $1; gsub(/"/, "", name); sub(/_median$/, "", name); sub(/^BM_/, "", name); sub(/\/real_time$/, "", name)
    time[name] = $3; unit[name] = $5; ways[++n] = name
  }
  END {
    printf "%-16s %14s %12s\n", "way", "median wall", "vs Switch"
    for (w = 1; w <= n; ++w)
      printf "%-16s %11.2f %-2s %11.2fx\n", ways[w], time[ways[w]], unit[ways[w]], time[ways[w]] / time["Switch"]
  }'
