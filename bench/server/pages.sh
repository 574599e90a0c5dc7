#!/usr/bin/env bash
# Web page translation, English -> Spanish through Apertium, at 10, 100, 1000 and 5000 text runs:
# quillo-server's translated-page address next to apertium-apy's /translatePage on the same page,
# both fetching it from a static server on loopback, and the floor under both: the page's runs
# sent straight into a warm eng-spa pipeline as null-flush records, no server at all. Each case runs once to warm the pipelines,
# then is timed `repetitions` times (hyperfine, one curl per request); printed are the medians with
# their range and quillo-server's median as a share of apertium-apy's. Every page is checked first:
# quillo-server must translate every run of it.
#
# usage: bench/server/pages.sh [build dir, default build-bench] [repetitions, default 3]
set -euo pipefail

set -- "${1:-}" "${2:-3}"
source "$(dirname "$0")/../common.sh" "$@"

bench_build quillo-server
bench_workspace

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# Pages of N runs: paragraphs of three runs each, the middle one in <b>. Every run is a sentence
# of its own (no two alike), so the figures show translation work, not repeated runs sent once.
mkdir -p "$work/site" "$work/data"
python3 - "$work/site" <<'PY'
import itertools, random, sys
subjects = ["The teacher", "My neighbour", "Our small team", "The old farmer", "A young doctor",
            "Her brother", "The new manager", "Every student"]
verbs = ["reads", "writes", "buys", "finds", "opens", "carries", "paints", "sells"]
objects = ["a long letter", "the red book", "an old map", "a heavy box", "the blue door",
           "a fresh loaf of bread", "the last ticket", "a wooden chair"]
places = ["in the garden", "near the river", "at the station", "after dinner", "before the meeting",
          "in the quiet library", "on Sunday morning", "behind the house", "at the market",
          "during the long winter"]
sentences = [" ".join(parts) for parts in itertools.product(subjects, verbs, objects, places)]
random.Random(7).shuffle(sentences)
for runs in (10, 100, 1000, 5000):
    texts = sentences[:runs]
    body = []
    for i in range(0, runs, 3):
        group = texts[i:i + 3]
        if len(group) == 3:
            body.append(f"<p>{group[0]}. <b>{group[1]}</b> {group[2]}.</p>")
        else:
            body.extend(f"<p>{text}</p>" for text in group)
    with open(f"{sys.argv[1]}/page-{runs}.html", "w") as page:
        page.write("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head><body>\n"
                   + "\n".join(body) + "\n</body></html>\n")
PY

site_port=$(free_port)
python3 -m http.server --bind 127.0.0.1 "$site_port" --directory "$work/site" >/dev/null 2>&1 &
pids+=($!)
"$build/server/quillo-server" --listen 127.0.0.1:0 --backend apertium --data "$work/data" \
  --allow-private-fetch --quiet >"$work/first" 2>"$work/quillo.log" &
pids+=($!)
apy_port=$(free_port)
apertium-apy -p "$apy_port" /usr/share/apertium/modes >"$work/apy.log" 2>&1 &
pids+=($!)
until [ -s "$work/first" ]; do sleep 0.05; done
quillo=$(awk '{print $NF}' "$work/first")
until curl -sf "http://127.0.0.1:$apy_port/listPairs" >/dev/null; do sleep 0.2; done
until curl -sf "http://127.0.0.1:$site_port/page-10.html" >/dev/null; do sleep 0.1; done

# The translated-page address needs an identifier from the object address.
page_id=$(curl -sf "http://$quillo/S3739.5/object?" | sed -n 's/.*wl_id=\\"\([A-Za-z0-9]*\)\\.*/\1/p' | head -n1)
[ -n "$page_id" ] || { echo "no page identifier from quillo-server" >&2; exit 1; }

quillo_url() { echo "http://$quillo/$page_id/translation?wl_url=http%3A%2F%2F127.0.0.1%3A$site_port%2Fpage-$1.html&wl_srclang=EN&wl_trglang=ES"; }
apy_url() { echo "http://127.0.0.1:$apy_port/translatePage?langpair=eng%7Cspa&url=http%3A%2F%2F127.0.0.1%3A$site_port%2Fpage-$1.html"; }

for runs in 10 100 1000 5000; do
  headers=$(curl -sf -D - -o "$work/quillo-$runs.html" "$(quillo_url "$runs")")
  if grep -qi '^X-Quillo-Untranslated-Runs' <<<"$headers" || grep -q 'The teacher' "$work/quillo-$runs.html"; then
    echo "quillo-server left runs of the $runs-run page untranslated" >&2
    exit 1
  fi
  curl -sf -o "$work/apy-$runs.json" "$(apy_url "$runs")"
  grep -q 'translatedText' "$work/apy-$runs.json" || { echo "apertium-apy gave no page for $runs runs" >&2; exit 1; }
  hyperfine --style none --warmup 1 --runs "$repetitions" --export-json "$work/times-$runs.json" \
    -n quillo "curl -sf -o /dev/null '$(quillo_url "$runs")'" \
    -n apy "curl -sf -o /dev/null '$(apy_url "$runs")'" >/dev/null 2>&1
done

# The floor: the same runs through a warm pipeline of Apertium's own tools, read back as they come.
python3 - "$work" "$repetitions" <<'PY'
import json, os, re, signal, statistics, subprocess, sys, threading, time
work, repetitions = sys.argv[1], int(sys.argv[2])
command = subprocess.check_output(["apertium-wblank-mode", "-z", "/usr/share/apertium/modes/eng-spa.mode"],
                                  text=True).replace("$1", "-n").replace("$2", "").strip()
pipeline = subprocess.Popen(["bash", "-c", command], stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0,
                            start_new_session=True)
def through(records):
    data = b"".join(text + b"[%d]\0" % i for i, text in enumerate(records))
    writer = threading.Thread(target=lambda: pipeline.stdin.write(data))
    writer.start()
    received = 0
    while received < len(records):
        received += pipeline.stdout.read(1 << 16).count(b"\0")
    writer.join()
through([b""])
for runs in (10, 100, 1000, 5000):
    body = open(f"{work}/site/page-{runs}.html", encoding="utf-8").read().split("<body>")[1]
    records = [text.strip().encode() for text in re.split(r"<[^>]+>", body) if re.search("[A-Za-z]", text)]
    assert len(records) == runs, (runs, len(records))
    through(records)
    times = []
    for _ in range(repetitions):
        start = time.perf_counter()
        through(records)
        times.append(time.perf_counter() - start)
    json.dump({"median": statistics.median(times), "min": min(times), "max": max(times)},
              open(f"{work}/floor-{runs}.json", "w"))
os.killpg(pipeline.pid, signal.SIGKILL)
PY

python3 - "$work" "$repetitions" <<'PY'
import json, sys
work, repetitions = sys.argv[1], sys.argv[2]
print(f"English -> Spanish web pages, wall time per page in seconds, median [range] of {repetitions}")
print(f"  {'runs':>5}  {'quillo-server':>22}  {'apertium-apy /translatePage':>28}  {'ratio':>6}  {'pipeline alone':>22}")
for runs in (10, 100, 1000, 5000):
    results = {r["command"]: r for r in json.load(open(f"{work}/times-{runs}.json"))["results"]}
    floor = json.load(open(f"{work}/floor-{runs}.json"))
    cell = lambda r: f"{r['median']:.3f} [{r['min']:.3f}-{r['max']:.3f}]"
    quillo, apy = results["quillo"], results["apy"]
    print(f"  {runs:>5}  {cell(quillo):>22}  {cell(apy):>28}  {quillo['median'] / apy['median']:5.2f}x  {cell(floor):>22}")
PY
