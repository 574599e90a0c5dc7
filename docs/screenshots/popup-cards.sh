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
cat >"$work/inner.sh" <<INNER
export QUILLO_SERVICE=http://127.0.0.1:$port XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_RUNTIME_DIR=$work/run; mkdir -p $work/run; chmod 700 $work/run
printf '苹果' | xclip -selection primary
xdotool mousemove 200 150
"$BUILD_DIR/src/app/quillo" & program=\$!
sleep 3
"$BUILD_DIR/src/app/quillo" --translate-selection
sleep 3.2
import -window "\$(xdotool search --name ' 划 词 翻 译 ' | head -1)" docs/screenshots/popup-cards.png
kill \$program
INNER
xvfb-run -a -s "-screen 0 1024x700x24" bash "$work/inner.sh"
echo "docs/screenshots/popup-cards.png"
