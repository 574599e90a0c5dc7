#!/usr/bin/env bash
# Builds every libFuzzer target of tests/fuzz with clang (address and undefined-behaviour
# sanitizers on, coverage for libFuzzer in the libraries they call) in build-fuzz, then runs each
# for a bounded time. New inputs the fuzzer finds are kept in build-fuzz/fuzz-corpus/<target>,
# crash reproducers in build-fuzz/fuzz-artifacts/.
#
# usage: scripts/fuzz.sh [seconds per target, default 30] [target ...]
set -euo pipefail

seconds=${1:-30}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz

bash "$root/scripts/setup.sh"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in "$root"/tests/fuzz/fuzz_*.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS=-fno-sanitize-recover=undefined \
  -DQUILLO_SANITIZE=address,undefined,fuzzer-no-link \
  -DQUILLO_FUZZ=ON -DQUILLO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}" -j2

mkdir -p "$build/fuzz-artifacts"
failed=()
for target in "${targets[@]}"; do
  corpus=$build/fuzz-corpus/$target
  mkdir -p "$corpus"
  seeds=()
  [ -d "$root/tests/fuzz/corpus/$target" ] && seeds=("$root/tests/fuzz/corpus/$target")
  echo "== $target: ${seconds}s"
  if ! QT_QPA_PLATFORM=offscreen "$build/tests/fuzz/$target" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
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
