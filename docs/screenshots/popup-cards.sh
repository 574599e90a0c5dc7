#!/usr/bin/env bash
# Takes popup-cards.png: the program under Xvfb against quillo-server with the dictionary, the echo
# engine and a language model that is a loopback stand-in streaming its reply (chat_stand_in.py);
# the picture is taken while the model's reply is still arriving. Nothing leaves the machine.
# Usage: docs/screenshots/popup-cards.sh   (BUILD_DIR, default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD_DIR=${BUILD_DIR:-build}
work=$(mktemp -d)
trap 'kill "$chat" "$server" 2>/dev/null || true; rm -rf "$work"' EXIT
python3 docs/screenshots/chat_stand_in.py 0.5 >"$work/chat" &
chat=$!
until [ -s "$work/chat" ]; do sleep 0.1; done
QUILLO_LLM_URL="http://127.0.0.1:$(head -1 "$work/chat")/v1" QUILLO_LLM_MODEL=stand-in \
  "$BUILD_DIR/server/quillo-server" --listen 127.0.0.1:0 --backend dictionary,llm,echo --data "$work" --quiet \
  >"$work/out" &
server=$!
until grep -q listening "$work/out" 2>/dev/null; do sleep 0.1; done
port=$(head -1 "$work/out" | sed 's/.*://')
docs/screenshots/popup-shot.sh "$port" "$work" '苹果' 3.2 docs/screenshots/popup-cards.png
