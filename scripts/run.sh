#!/usr/bin/env bash
# Installs what is missing, builds, starts quillo-server on loopback and the program against it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"

server_pid=""
if [ -z "${QUILLO_SERVICE:-}" ] && [ -x "$BUILD_DIR/server/quillo-server" ]; then
  data=${QUILLO_DATA:-$HOME/.local/share/quillo-server}
  mkdir -p "$data"
  # The engines' settings reach the server through this environment (QUILLO_LLM_URL,
  # QUILLO_LLM_KEY, QUILLO_LLM_MODEL, QUILLO_DEEPL_KEY, QUILLO_DEEPL_URL) and engines.ini.
  config=()
  [ -f "$data/engines.ini" ] && config=(--config "$data/engines.ini")
  "$BUILD_DIR/server/quillo-server" engines --data "$data" "${config[@]}" 2>/dev/null | tail -n 2 || true
  fifo=$(mktemp -u); mkfifo "$fifo"
  "$BUILD_DIR/server/quillo-server" --listen 127.0.0.1:0 --data "$data" "${config[@]}" >"$fifo" 2>>"$data/server.log" &
  server_pid=$!
  read -r first_line <"$fifo"
  (cat "$fifo" >>"$data/server.log") &
  rm -f "$fifo"
  export QUILLO_SERVICE="http://${first_line##* }"
  echo "quillo-server at $QUILLO_SERVICE"
  trap 'kill "$server_pid" 2>/dev/null || true' EXIT
fi
"$BUILD_DIR/src/app/quillo"
