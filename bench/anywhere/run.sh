#!/usr/bin/env bash
# Hotkey-to-popup time under a virtual X server, against quillo-server's echo backend on loopback.
# Usage: bench/anywhere/run.sh [runs]   (BUILD_DIR, default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD_DIR=${BUILD_DIR:-build}
cmake --build "$BUILD_DIR" --target anywhere_bench stream_paint_bench quillo-server >/dev/null
work=$(mktemp -d)
trap 'kill "$server" 2>/dev/null || true; rm -rf "$work"' EXIT
"$BUILD_DIR/server/quillo-server" --listen 127.0.0.1:0 --backend echo --data "$work" --quiet >"$work/out" &
server=$!
until grep -q listening "$work/out" 2>/dev/null; do sleep 0.1; done
port=$(head -1 "$work/out" | sed 's/.*://')
cat >"$work/inner.sh" <<INNER
printf 'The weather is nice today' | xclip -selection primary
QUILLO_SERVICE=http://127.0.0.1:$port XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
  "$BUILD_DIR/bench/anywhere/anywhere_bench" ${1:-30}
INNER
xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/inner.sh"
echo
XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
  xvfb-run -a -s "-screen 0 1280x800x24" "$BUILD_DIR/bench/anywhere/stream_paint_bench" 60
