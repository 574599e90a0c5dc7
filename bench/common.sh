# Sourced by the comparison scripts in bench/*/, with the script's arguments: the first names the
# build directory (default build-bench), the second how many times each case runs (default 5).
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-bench}
repetitions=${2:-5}

# Configures an optimised build without the tests and builds the given targets.
bench_build() {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLO_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" --target "$@" -j2 >/dev/null
}

# Runs a Google Benchmark program with its remaining arguments and prints only the aggregates
# (mean, median, deviation) of the repetitions.
bench_aggregates() {
  "$@" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true 2>/dev/null
}

# A private folder ($work) and a list of background processes ($pids) for one run: when the
# script exits the processes are ended, then the script's own bench_before_cleanup runs if it
# defines one (stopping a database, say), then the folder goes.
bench_workspace() {
  work=$(mktemp -d)
  pids=()
  trap bench_cleanup EXIT
}
bench_cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  if declare -F bench_before_cleanup >/dev/null; then bench_before_cleanup; fi
  rm -rf "$work"
}
