#!/usr/bin/env bash
# Takes dictionary-card.png: the popup for an English word translated to German, under Xvfb against
# quillo-server with Debian's freedict English-German dictionary (dict-freedict-eng-deu) and the echo
# engine; the dictionary's card carries the star that keeps the word. Nothing leaves the machine.
# Usage: docs/screenshots/dictionary-card.sh   (BUILD_DIR, default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD_DIR=${BUILD_DIR:-build}
test -f /usr/share/dictd/freedict-eng-deu.index || { echo "needs dict-freedict-eng-deu" >&2; exit 1; }
work=$(mktemp -d)
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -rf "$work"' EXIT
"$BUILD_DIR/server/quillo-server" --listen 127.0.0.1:0 --backend dictionary,echo --data "$work/server" --quiet \
  >"$work/out" &
server=$!
until grep -q listening "$work/out" 2>/dev/null; do sleep 0.1; done
port=$(head -1 "$work/out" | sed 's/.*://')
# The main window's target language, German (the index of its list), is the popup's target.
mkdir -p "$work/config/5372"
printf '[General]\nTargetLanguage=5\n' >"$work/config/5372/Quillo.ini"
# The freedict index is built on the server's first look; the word answers once it is ready.
until curl -s "http://127.0.0.1:$port/api/v1/engines" | grep -q freedict-eng-deu; do sleep 0.5; done
docs/screenshots/popup-shot.sh "$port" "$work" 'house' 4 docs/screenshots/dictionary-card.png
