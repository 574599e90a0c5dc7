#!/usr/bin/env bash
# Shared by the popup screenshots: under Xvfb, starts the program against a running quillo-server,
# selects WORD, opens the popup as the key does, waits SECONDS and takes the popup's picture.
# Usage: popup-shot.sh PORT WORK WORD SECONDS OUTPUT.png   (BUILD_DIR, default build)
set -euo pipefail
port=$1 work=$2 word=$3 seconds=$4 output=$5
BUILD_DIR=${BUILD_DIR:-build}
cat >"$work/inner.sh" <<INNER
export QUILLO_SERVICE=http://127.0.0.1:$port XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_RUNTIME_DIR=$work/run; mkdir -p $work/run; chmod 700 $work/run
printf '%s' '$word' | xclip -selection primary
xdotool mousemove 200 150
"$BUILD_DIR/src/app/quillo" & program=\$!
sleep 3
"$BUILD_DIR/src/app/quillo" --translate-selection
sleep $seconds
import -window "\$(xdotool search --name ' 划 词 翻 译 ' | head -1)" $output
kill \$program
INNER
xvfb-run -a -s "-screen 0 1024x700x24" bash "$work/inner.sh"
echo "$output"
