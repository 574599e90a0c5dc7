#!/usr/bin/env bash
# Accuracy of language detection on one-to-three-word selections, per Latin-script language.
# Usage: bench/detect/run.sh   (BUILD_DIR, default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD_DIR=${BUILD_DIR:-build}
cmake --build "$BUILD_DIR" --target short_selection_accuracy >/dev/null
"$BUILD_DIR/bench/detect/short_selection_accuracy"
