#!/usr/bin/env bash
# Builds the program and the baseline in BUILD_DIR (default: build) and compares their start-up
# under a virtual X server. Extra arguments go to compare_startup.py (for example --runs 41).
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD_DIR=${BUILD_DIR:-build}
cmake --build "$BUILD_DIR" --target quillo startup_baseline >/dev/null
xvfb-run -a -s "-screen 0 1280x800x24" python3 bench/startup/compare_startup.py \
  "$BUILD_DIR/src/app/quillo" "$BUILD_DIR/bench/startup/startup_baseline" "$@"
