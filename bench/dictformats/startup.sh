#!/usr/bin/env bash
# The server's start-up with the dictionaries and without them, side by side in one run: the time
# from starting quillo-server until /healthz answers, median of several starts each. "with" reads
# every installed dictionary into a fresh data folder, the worst case (every index still to be
# built), which the start-up must not wait for; "without" sets QUILLO_DICTIONARY_FOLDERS empty.
#
# usage: bench/dictformats/startup.sh [build dir, default build-bench] [starts, default 5]
set -euo pipefail

source "$(dirname "$0")/../common.sh" "${1:-}" "${2:-}"
bench_build quillo-server
bench_workspace

python3 "$(dirname "$0")/startup.py" "$build/server/quillo-server" "$work" "$repetitions"
