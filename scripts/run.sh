#!/usr/bin/env bash
# Installs what is missing, builds and starts the program. The program starts the quillo-server
# built beside it on a free loopback port by itself (its log: ~/.local/state/quillo), unless
# QUILLO_SERVICE names a server or one answers at the default address.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
exec "$BUILD_DIR/src/app/quillo"
