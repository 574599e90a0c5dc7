#!/usr/bin/env bash
# Builds bench_ocr optimised and prints, on one core: the median time from a region to its text
# with the program's warm engine, with a cold one, and with the tesseract command line (cold,
# hyperfine) on the same pictures, each with its ratio to the warm engine; then the character
# error rate per language and size.
#
# usage: bench/ocr/compare.sh [build dir, default build-bench] [repetitions, default 5]
set -euo pipefail

source "$(dirname "$0")/../common.sh" "$@"
bench_build bench_ocr quillo
bench_workspace
export OMP_THREAD_LIMIT=1
one_core="taskset -c 0"

$one_core "$build/bench/ocr/bench_ocr" --save "$work"
bench_aggregates $one_core "$build/bench/ocr/bench_ocr" --benchmark_format=csv --benchmark_min_time=2 \
  > "$work/bench.csv"

for region in en_800x200 zh_800x200 en_900x80 zh_900x80; do
  lang=eng; [[ $region == zh_* ]] && lang=chi_sim
  code=en; [[ $region == zh_* ]] && code=zh
  hyperfine -N --warmup 2 --runs $((repetitions * 2)) --export-json "$work/$region-cli.json" \
    "$one_core tesseract $work/$region.png - -l $lang" >/dev/null 2>&1
  hyperfine -N --warmup 2 --runs $((repetitions * 2)) --export-json "$work/$region-quillo.json" \
    "$one_core $build/src/app/quillo --ocr $work/$region.png --ocr-lang $code" >/dev/null 2>&1
done

python3 - "$work" <<'PY'
import csv, json, sys
work = sys.argv[1]
medians = {}
for row in csv.reader(open(f"{work}/bench.csv")):
    if row and row[0].endswith('_median'):
        way, region = row[0].strip('"').rsplit('_median', 1)[0].split('/')
        medians[(region, way)] = float(row[2])  # real time, ms
print(f"{'region':<12} {'way':<22} {'median ms':>10} {'vs warm':>8}")
for region in ['en_800x200', 'zh_800x200', 'en_900x80', 'zh_900x80']:
    for tool in ['cli', 'quillo']:
        medians[(region, {'cli': 'tesseract (cold)', 'quillo': 'quillo --ocr (cold)'}[tool])] = \
            json.load(open(f"{work}/{region}-{tool}.json"))['results'][0]['median'] * 1000
    warm = medians[(region, 'Warm')]
    for way in ['Warm', 'Prepare', 'Cold', 'quillo --ocr (cold)', 'tesseract (cold)']:
        print(f"{region:<12} {way:<22} {medians[(region, way)]:>10.1f} {medians[(region, way)] / warm:>7.2f}x")
PY

echo
echo "Character error rate (mean of a light and a dark ground):"
$one_core "$build/bench/ocr/bench_ocr" --accuracy
