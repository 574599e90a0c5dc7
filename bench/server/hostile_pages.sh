#!/usr/bin/env bash
# Hostile pages through page translation: what one request for each costs the server. Each page is
# served from a static server on loopback and asked for once from a fresh quillo-server (echo
# engine) run under /usr/bin/time, so the peak memory is that one page's. Printed per page: the
# answer's status, the request's wall time, the server's processor time (start included, which
# takes a few hundredths; on a busy machine the truer measure of the page's work) and its peak
# resident memory. The server may
# use at most $QUILLO_BENCH_MEMORY_MB of address space (default 4096) and a request gets
# $QUILLO_BENCH_SECONDS (default 120): a page beyond either says so instead of taking the machine.
# $QUILLO_SERVER names a quillo-server to measure instead of building one (another version's).
#
# usage: bench/server/hostile_pages.sh [build dir, default build-bench]
set -euo pipefail

source "$(dirname "$0")/../common.sh" "${1:-}" 1
memory_mb=${QUILLO_BENCH_MEMORY_MB:-4096}
seconds=${QUILLO_BENCH_SECONDS:-120}

server=${QUILLO_SERVER:-$build/server/quillo-server}
[ -n "${QUILLO_SERVER:-}" ] || bench_build quillo-server
bench_workspace

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# Unclosed formatting elements, each one reopened for every later block; and one tag with very
# many attributes.
mkdir -p "$work/site"
python3 - "$work/site" <<'PY'
import sys
site = sys.argv[1]
def write(name, text):
    open(f"{site}/{name}.html", "w").write(text)
for n in (2000, 4000):
    write(f"nested-{n}", "<div>" + "".join("<b id=%d>" % i for i in range(n)) + "</div>" + "<div>x</div>" * n)
for n in (20000, 40000, 200000):
    write(f"attributes-{n}", "<p " + " ".join("a%d=1" % i for i in range(n)) + ">Hello</p>")
# Within the nesting and attribute limits, yet costly: what the parse's budgets are for.
write("reopened-500", "<div>" + "".join("<b id=%d>" % i for i in range(500)) + "</div>" + "<div>x</div>" * 4000)
write("attributes-1000x300", ("<p " + " ".join("a%d=1" % i for i in range(1000)) + ">Hello</p>") * 300)
PY

site_port=$(free_port)
python3 -m http.server --bind 127.0.0.1 "$site_port" --directory "$work/site" >/dev/null 2>&1 &
pids+=($!)
until curl -sf "http://127.0.0.1:$site_port/nested-2000.html" >/dev/null; do sleep 0.1; done

printf '%-20s %8s %7s %10s %10s %12s\n' page bytes status seconds "cpu s" "peak MB"
for page in nested-2000 nested-4000 attributes-20000 attributes-40000 attributes-200000 reopened-500 \
    attributes-1000x300; do
  rm -f "$work/first"
  prlimit --as=$((memory_mb * 1024 * 1024)) -- /usr/bin/time -v -o "$work/time-$page" \
    "$server" --listen 127.0.0.1:0 --backend echo --data "$work/data-$page" \
    --allow-private-fetch --quiet >"$work/first" 2>"$work/quillo-$page.log" &
  timer=$!
  until [ -s "$work/first" ] || ! kill -0 "$timer" 2>/dev/null; do sleep 0.05; done
  quillo=$(awk '{print $NF}' "$work/first")
  page_id=$(curl -sf "http://$quillo/S3739.5/object?" | sed -n 's/.*wl_id=\\"\([A-Za-z0-9]*\)\\.*/\1/p')
  url="http://$quillo/$page_id/translation?wl_url=http%3A%2F%2F127.0.0.1%3A$site_port%2F$page.html&wl_srclang=EN&wl_trglang=ES"
  answer=$(curl -s -o /dev/null -m "$seconds" -w '%{http_code} %{time_total}' "$url" || true)
  # The server is ended at once: a parse still running would otherwise hold its shutdown.
  pkill -KILL -P "$timer" 2>/dev/null || true
  wait "$timer" 2>/dev/null || true
  peak_kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time-$page")
  cpu=$(awk -F': ' '/(User|System) time \(seconds\)/ {sum += $2} END {print sum + 0}' "$work/time-$page")
  read -r status elapsed <<<"$answer"
  [ "$status" = 000 ] && status="none"
  printf '%-20s %8d %7s %10.2f %10.2f %12.1f\n' "$page" "$(stat -c %s "$work/site/$page.html")" "$status" \
    "$elapsed" "$cpu" "$(echo "${peak_kb:-0} / 1024" | bc -l)"
done
