#!/usr/bin/env bash
# Builds every libFuzzer target of the tree with clang (address and undefined-behaviour
# sanitizers on, coverage for libFuzzer in the libraries they call) in build-fuzz, then runs each
# for a bounded time. The targets are those the build lists in fuzz-targets.tsv (tests/fuzz and
# tests/server/fuzz alike). New inputs the fuzzer finds are kept in build-fuzz/fuzz-corpus/<target>,
# crash reproducers in build-fuzz/fuzz-artifacts/.
#
# usage: scripts/fuzz.sh [seconds per target, default 30] [target ...]
#        scripts/fuzz.sh --list [build folder, default build-fuzz]   the targets, one a line
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz

# The manifest's column for a target: 2 the program, 3 its seed corpus, 4 its own libFuzzer flags.
manifest_field() {
  awk -F'\t' -v target="$2" -v column="$3" '$1 == target { print $column }' "$1/fuzz-targets.tsv"
}

if [ "${1:-}" = --list ]; then
  cut -f1 "${2:-$build}/fuzz-targets.tsv"
  exit 0
fi

seconds=${1:-30}
shift || true

bash "$root/scripts/setup.sh"

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS=-fno-sanitize-recover=undefined \
  -DQUILLO_SANITIZE=address,undefined,fuzzer-no-link \
  -DQUILLO_FUZZ=ON -DQUILLO_BUILD_BENCH=OFF >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(cut -f1 "$build/fuzz-targets.tsv")
fi
for target in "${targets[@]}"; do
  if [ -z "$(manifest_field "$build" "$target" 2)" ]; then
    echo "fuzz: no target $target; the targets are: $(cut -f1 "$build/fuzz-targets.tsv" | tr '\n' ' ')" >&2
    exit 2
  fi
done
cmake --build "$build" --target "${targets[@]}" -j2

mkdir -p "$build/fuzz-artifacts"
failed=()
for target in "${targets[@]}"; do
  corpus=$build/fuzz-corpus/$target
  mkdir -p "$corpus"
  seeds=()
  seed_folder=$(manifest_field "$build" "$target" 3)
  [ -d "$seed_folder" ] && seeds=("$seed_folder")
  read -r -a own_flags <<<"$(manifest_field "$build" "$target" 4)"
  echo "== $target: ${seconds}s"
  if ! QT_QPA_PLATFORM=offscreen "$(manifest_field "$build" "$target" 2)" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "${own_flags[@]}" -print_final_stats=1 \
      -artifact_prefix="$build/fuzz-artifacts/$target-" "$corpus" "${seeds[@]}" 2>"$build/fuzz-$target.log"; then
    failed+=("$target")
    tail -40 "$build/fuzz-$target.log"
  else
    grep -E '^stat::number_of_executed_units|^Done' "$build/fuzz-$target.log" || true
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]} (logs in $build, reproducers in $build/fuzz-artifacts)"
  exit 1
fi
echo "fuzz: ${#targets[@]} targets ran ${seconds}s each without a finding"
