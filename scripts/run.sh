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

# The program starts its own quillo-server when QUILLO_SERVICE is not set. The engines' settings
# reach that server through this environment (QUILLO_LLM_URL, QUILLO_LLM_KEY, QUILLO_LLM_MODEL,
# QUILLO_DEEPL_KEY, QUILLO_DEEPL_URL) and through engines.ini in its data folder.
data=${XDG_DATA_HOME:-$HOME/.local/share}/quillo-server
"$BUILD_DIR/server/quillo-server" engines --data "$data" 2>/dev/null | tail -n 2 || true
exec "$BUILD_DIR/src/app/quillo"
