#!/usr/bin/env bash
# One instance on SQLite against two instances on PostgreSQL behind nginx (round-robin), in one
# run, with wrk: feedback POST throughput and p99 latency, then the echo backend's translation
# throughput with one and with two instances. The database cluster, the instances and nginx are
# private to the run (temporary folder, loopback ports) and stopped at the end.
#
# usage: bench/server/cluster.sh [build dir, default build-bench] [unused] [wrk seconds, default 10]
# With QUILLO_BENCH_NO_BUILD=1 the build dir's quillo-server is used as it is.
set -euo pipefail

source "$(dirname "$0")/../common.sh" "$@"
seconds=${3:-10}
[ -n "${QUILLO_BENCH_NO_BUILD:-}" ] || bench_build quillo-server
server="$build/server/quillo-server"
pgbin=/usr/lib/postgresql/15/bin

bench_workspace
chmod 755 "$work"
as_owner() { if [ "$(id -u)" -eq 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi; }
bench_before_cleanup() {
  [ -f "$work/pg/PG_VERSION" ] && as_owner "$pgbin/pg_ctl" -D "$work/pg" -m fast -w stop >/dev/null 2>&1 || true
}

# initdb refuses root: the cluster then belongs to nobody.
mkdir "$work/pg" "$work/sock" && chmod 700 "$work/pg"
[ "$(id -u)" -eq 0 ] && chown nobody "$work/pg" "$work/sock"
as_owner "$pgbin/initdb" -D "$work/pg" -A trust -U quillo -E UTF8 --no-instructions >/dev/null
as_owner "$pgbin/pg_ctl" -D "$work/pg" -l "$work/sock/pg.log" -w -o "-c listen_addresses='' -k $work/sock" start >/dev/null
database="postgresql:///postgres?host=$work/sock&user=quillo"
head -c 32 /dev/urandom | base64 >"$work/token.key"

# Starts an instance on a free port and prints the port.
start_instance() {
  local log="$work/instance$#$RANDOM.out"
  "$server" --listen 127.0.0.1:0 --backend echo --quiet --feedback-per-day 100000000 \
    --feedback-bytes-per-day 100000000000 --token-key-file "$work/token.key" "$@" >"$log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    grep -q listening "$log" 2>/dev/null && break
    sleep 0.05
  done
  awk '/listening/ { split($NF, a, ":"); print a[2] }' "$log"
}

sqlite_port=$(start_instance --data "$work/sqlite")
pg_a=$(start_instance --data "$work/shared" --database "$database")
pg_b=$(start_instance --data "$work/shared" --database "$database")
balancer_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
sed -e "s|@PORT@|$balancer_port|" -e "s|@A@|$pg_a|" -e "s|@B@|$pg_b|" -e "s|@WORK@|$work|g" \
  "$(dirname "$0")/nginx-bench.conf" >"$work/nginx.conf"
/usr/sbin/nginx -e "$work/nginx.err" -p "$work" -c "$work/nginx.conf" -g "daemon off;" &
pids+=($!)
sleep 0.5

# Prints requests per second and the 99th percentile latency of one wrk run.
measure() {
  wrk -t2 -c32 -d"${seconds}s" --latency "$@" 2>/dev/null |
    awk '/Requests\/sec/ { rps = $2 } / 99%/ { p99 = $2 } END { printf "%10s req/s   p99 %s\n", rps, p99 }'
}

script="$(dirname "$0")"
echo "feedback POST, 32 connections, ${seconds}s each"
printf "  %-38s" "1 instance, SQLite:"; measure -s "$script/feedback.lua" "http://127.0.0.1:$sqlite_port/translation/feedback/addinfo.asp"
printf "  %-38s" "2 instances, PostgreSQL, nginx:"; measure -s "$script/feedback.lua" "http://127.0.0.1:$balancer_port/translation/feedback/addinfo.asp"
echo "translation (echo backend, /translate_txt)"
printf "  %-38s" "1 instance:"; measure -s "$script/post.lua" "http://127.0.0.1:$sqlite_port/translate_txt"
printf "  %-38s" "1 instance through nginx:"
sed -i "s|server 127.0.0.1:$pg_b;|server 127.0.0.1:$pg_b down;|" "$work/nginx.conf"
/usr/sbin/nginx -e "$work/nginx.err" -p "$work" -c "$work/nginx.conf" -s reload; sleep 0.5
measure -s "$script/post.lua" "http://127.0.0.1:$balancer_port/translate_txt"
printf "  %-38s" "2 instances through nginx:"
sed -i "s|server 127.0.0.1:$pg_b down;|server 127.0.0.1:$pg_b;|" "$work/nginx.conf"
/usr/sbin/nginx -e "$work/nginx.err" -p "$work" -c "$work/nginx.conf" -s reload; sleep 0.5
measure -s "$script/post.lua" "http://127.0.0.1:$balancer_port/translate_txt"
