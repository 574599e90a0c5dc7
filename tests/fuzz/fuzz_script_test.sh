#!/usr/bin/env bash
# scripts/fuzz.sh must run every fuzz target of the tree: the targets it lists for a build are
# compared with every fuzz_*.cpp under tests/.
# usage: fuzz_script_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
root=$1
build=$2
expected=$(find "$root/tests" -name 'fuzz_*.cpp' -printf '%f\n' | sed 's/\.cpp$//' | sort)
listed=$(bash "$root/scripts/fuzz.sh" --list "$build" | sort)
if [ "$expected" != "$listed" ]; then
  echo "fuzz.sh lists other targets than the tree has:"
  diff <(echo "$expected") <(echo "$listed") || true
  exit 1
fi
echo "fuzz.sh lists all $(echo "$listed" | wc -l) targets"
