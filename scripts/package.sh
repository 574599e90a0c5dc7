#!/usr/bin/env bash
# Builds the Debian package quillo_<version>_<arch>.deb into PACKAGE_DIR (default: the current
# folder), from a release build of its own (BUILD_DIR, default build-package). Install it with
#   sudo apt install ./quillo_*.deb
set -euo pipefail
out=$(realpath "${PACKAGE_DIR:-.}")
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD_DIR=${BUILD_DIR:-build-package}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLO_BUILD_TESTS=OFF -DQUILLO_BUILD_BENCH=OFF \
  ${QUILLO_CMAKE_ARGS:-} >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
(cd "$BUILD_DIR" && cpack -G DEB -B "$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
ls "$out"/quillo_*.deb
