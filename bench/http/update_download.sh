#!/usr/bin/env bash
# The update window's download of a 256 MiB program at the component's default transfer size
# (4 KiB), with the window's own progress handler, next to the curl command line fetching the
# same file from the same nginx; each on its own and pinned to one core (taskset -c 0). nginx
# (Debian's nginx-light) runs on a free loopback port from a configuration in a temporary folder,
# which also holds the file and every download. Prints medians of the runs with their range, and
# the ratio of curl's time to the window's, taken run by run.
#
# usage: bench/http/update_download.sh [build dir, default build-bench] [runs, default 3]
set -euo pipefail

source "$(dirname "$0")/../common.sh" "${1:-}" "${2:-3}"

command -v nginx >/dev/null || { echo "nginx is missing: run scripts/setup.sh" >&2; exit 1; }
bench_build bench_update_download

bench_workspace

size=$((256 * 1024 * 1024))
mkdir -p "$work/www/translation/update/17" "$work/nginx" "$work/client"
chmod go+rx "$work" # nginx's worker runs as another user when started by root
head -c "$size" /dev/urandom >"$work/www/translation/update/17/quillo"
sha=$(sha256sum "$work/www/translation/update/17/quillo" | cut -d' ' -f1)
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
base="http://127.0.0.1:$port"
printf '[information]\r\nversion=17\r\nFileSize=%s\r\nSHA256=%s\r\n\r\n[DownLoadPath]\r\nurl1=%s/translation/update/17/quillo\r\n' \
  "$size" "$sha" "$base" >"$work/www/translation/update/qoversion.txt"

cat >"$work/nginx/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 64; }
http {
  access_log off;
  sendfile on;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  types { application/octet-stream bin; }
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:$port;
    root $work/www;
  }
}
CONF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -e "$work/nginx/error.log" &
pids+=($!)
for _ in $(seq 100); do
  curl -sf -o /dev/null "$base/translation/update/qoversion.txt" && break
  sleep 0.1
done
curl -sf -o /dev/null "$base/translation/update/qoversion.txt" || { cat "$work/nginx/error.log" >&2; exit 1; }

window() { # [taskset prefix...]
  rm -rf "$work/client"/*
  QT_QPA_PLATFORM=offscreen QUILLO_SERVICE="$base" "$@" "$build/bench/http/bench_update_download" "$work/client" 2>>"$work/window.log"
}
curl_cli() { # [taskset prefix...]
  rm -f "$work/curl.out"
  "$@" curl -s -f -o "$work/curl.out" -w '%{time_total}\n' "$base/translation/update/17/quillo"
}

results="$work/results"
for run in $(seq "$repetitions"); do
  for pinned in no yes; do
    prefix=()
    [ "$pinned" = yes ] && prefix=(taskset -c 0)
    read -r w_s events _ < <(window "${prefix[@]}")
    c_s=$(curl_cli "${prefix[@]}")
    echo "$pinned $w_s $c_s $events" >>"$results"
  done
done

python3 - "$results" "$size" <<'PY'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
size_mib = int(sys.argv[2]) / 1048576
def summary(values, digits=1):
    return f"{statistics.median(values):7.{digits}f}  ({min(values):.{digits}f}-{max(values):.{digits}f})"
print("256 MiB update download, 4 KiB transfer size, the update window's progress handler, nginx on loopback")
print(f"  {'':24} {'window MiB/s':>22} {'curl CLI MiB/s':>22} {'window/curl':>20}  events")
for pinned, label in (("no", "free to use both cores"), ("yes", "pinned to one core")):
    mine = [r for r in rows if r[0] == pinned]
    window = [size_mib / float(r[1]) for r in mine]
    curl = [size_mib / float(r[2]) for r in mine]
    ratio = [float(r[2]) / float(r[1]) for r in mine]
    print(f"  {label:24} {summary(window):>22} {summary(curl):>22} {summary(ratio, 2):>20}  {mine[0][3]}")
PY
