#!/usr/bin/env bash
# Builds bench_skin_switch optimised and prints the median wall time of a skin switch with every
# window open, and how it compares with the switch alone (Switch).
#
# usage: bench/skins/switch.sh [build dir, default build-bench] [repetitions, default 5]
set -euo pipefail

source "$(dirname "$0")/../common.sh" "$@"

bench_build bench_skin_switch

export QT_QPA_PLATFORM=offscreen
bench_aggregates "$build/bench/skins/bench_skin_switch" --benchmark_format=csv |
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
