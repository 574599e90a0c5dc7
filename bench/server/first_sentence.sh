#!/usr/bin/env bash
# The first English→Spanish sentence after the user picks the pair, against a warm one. The server
# is started as the program starts its own (no direction warmed ahead, idle directions ended after
# five minutes); the pick is the program's POST /api/v1/prepare, then the sentence goes to the
# text service the way the main window sends it. Each run uses a fresh server:
#
#   right after the pick   the sentence follows the prepare at once (the least time to warm)
#   after 1 s              as a user who picks, then types
#   no prepare             the first sentence starts the direction itself (what the pick saves)
#   warm                   three more sentences of that run, 1 s later
#
# Medians of the runs, in ms, and each first sentence's ratio to the warm one.
#
# usage: bench/server/first_sentence.sh QUILLO_SERVER [runs, default 5]
set -euo pipefail

server=${1:?usage: first_sentence.sh QUILLO_SERVER [runs]}
runs=${2:-5}

source "$(dirname "$0")/../common.sh" ""
bench_workspace

sentence='trtext=The%20weather%20is%20nice%20today%20and%20we%20are%20going%20to%20the%20beach.&lp=en_es'

start_server() { # -> $base
  local dir out
  dir=$(mktemp -d -p "$work")
  out="$dir/server.out"
  "$server" --listen 127.0.0.1:0 --data "$dir" --quiet --pipelines-warm-start 0 --pipeline-idle 300 >"$out" 2>"$dir/log" &
  pids+=($!)
  for _ in $(seq 300); do [ -s "$out" ] && break; sleep 0.05; done
  base="http://127.0.0.1:$(head -n 1 "$out" | grep -o '[0-9]*$')"
}

stop_server() {
  kill "${pids[-1]}" 2>/dev/null || true
  wait "${pids[-1]}" 2>/dev/null || true
  unset 'pids[-1]'
}

prepare() { curl -fsS -o /dev/null --data 'source=en&target=es' "$base/api/v1/prepare"; }

sentence_ms() {
  curl -fsS -o /dev/null -w '%{time_total}\n' --data "$sentence" "$base/translate_txt" | awk '{printf "%d\n", $1 * 1000}'
}

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2)}'; }

declare -a at_once after_pause unprepared warm
for _ in $(seq "$runs"); do
  start_server; prepare; at_once+=("$(sentence_ms)"); stop_server
  start_server; prepare; sleep 1; after_pause+=("$(sentence_ms)"); sleep 1; for _ in 1 2 3; do warm+=("$(sentence_ms)"); done; stop_server
  start_server; unprepared+=("$(sentence_ms)"); stop_server
done

warm_ms=$(printf '%s\n' "${warm[@]}" | median)
report() { # name values...
  local name=$1 value
  shift
  value=$(printf '%s\n' "$@" | median)
  printf '%-34s %8s ms %8s\n' "$name" "$value" "×$(awk -v a="$value" -v b="$warm_ms" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')"
}
printf '%-34s %11s %8s\n' "en→es, medians of $runs runs" time "vs warm"
report "first sentence right after the pick" "${at_once[@]}"
report "first sentence 1 s after the pick" "${after_pause[@]}"
report "first sentence, no prepare" "${unprepared[@]}"
report "warm sentence" "${warm[@]}"
