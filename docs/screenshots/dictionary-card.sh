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
cat >"$work/inner.sh" <<INNER
export QUILLO_SERVICE=http://127.0.0.1:$port XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_RUNTIME_DIR=$work/run; mkdir -p $work/run; chmod 700 $work/run
printf 'house' | xclip -selection primary
xdotool mousemove 200 150
"$BUILD_DIR/src/app/quillo" & program=\$!
sleep 3
"$BUILD_DIR/src/app/quillo" --translate-selection
sleep 4
import -window "\$(xdotool search --name ' 划 词 翻 译 ' | head -1)" docs/screenshots/dictionary-card.png
kill \$program
INNER
xvfb-run -a -s "-screen 0 1024x700x24" bash "$work/inner.sh"
echo "docs/screenshots/dictionary-card.png"
