#!/usr/bin/env bash
# vantor-server under load on loopback, bounded in count and time:
#  1. the program's two checks (`vantor-cli check`) beside 100 connections that send nothing and
#     32 that send a request head slowly, all kept open (reopened as the server ends them);
#  2. static throughput on a 184 KB file, against an earlier build of the server when one is given,
#     both measured in the same run, rounds taken in turn.
#   bench/server_load.sh [BUILD_DIR] [EARLIER_SERVER]      (default: build/release, no comparison)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
EARLIER=${2:-}
CHECKS=20            # checks timed beside the held connections
FILE_KB=184
REQUESTS=400         # per client and round
CLIENTS=4            # concurrent kept-alive clients, under the server's limit per address
ROUNDS=3

work=$(mktemp -d -t vantor-server-bench.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

mkdir -p "$work/www"
head -c $((FILE_KB * 1024)) /dev/urandom >"$work/www/file.bin"

start_server() { # EXECUTABLE NAME: starts it on a free port; prints its base URL
  "$1" --root "$work/www" >"$work/$2.out" 2>/dev/null &
  pids+=($!)
  for _ in $(seq 200); do [ -s "$work/$2.out" ] && break; sleep 0.05; done
  head -n 1 "$work/$2.out"
}

new_url=$(start_server "$BUILD/tools/vantor-server/vantor-server" new)

echo "== checks beside 100 idle and 32 slow connections ($CHECKS checks)"
VANTOR_WEB_SERVER="$new_url" VANTOR_PROBE_URL="$new_url/probe" \
  timeout 120 python3 - "$new_url" "$BUILD/tools/vantor-cli/vantor-cli" "$CHECKS" <<'PY'
import os, selectors, socket, statistics, subprocess, sys, threading, time

url, cli, checks = sys.argv[1], sys.argv[2], int(sys.argv[3])
port = int(url.rsplit(":", 1)[1])
SLOW_HEAD = b"GET /probe HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: 1\r\n"

def opened(source, slow):
    s = socket.socket()
    s.bind((source, 0))
    s.connect(("127.0.0.1", port))
    if slow:
        s.send(SLOW_HEAD)
    s.setblocking(False)
    return s

# Each address holds 20 (idle) or 16 (slow): under the server's limit, so each holds a worker.
wanted = [("127.0.1.%d" % (1 + i // 20), False) for i in range(100)] + \
         [("127.0.2.%d" % (1 + i // 16), True) for i in range(32)]
selector = selectors.DefaultSelector()
for source, slow in wanted:
    selector.register(opened(source, slow), selectors.EVENT_READ, (source, slow))

times, failures, reopened = [], [], [0]
def run_checks():
    for _ in range(checks):
        start = time.monotonic()
        done = subprocess.run([cli, "check"], capture_output=True, text=True, timeout=30)
        times.append(time.monotonic() - start)
        if done.returncode != 0:
            failures.append(done.stderr.strip())
worker = threading.Thread(target=run_checks)
worker.start()
while worker.is_alive():
    for key, _ in selector.select(timeout=0.2):
        key.fileobj.close()  # ended by the server (or answered): another takes its place
        selector.unregister(key.fileobj)
        source, slow = key.data
        selector.register(opened(source, slow), selectors.EVENT_READ, key.data)
        reopened[0] += 1
print("  vantor-cli check (both queries, process start included): median %.3f s, max %.3f s"
      % (statistics.median(times), max(times)))
print("  held connections reopened after the server ended them: %d" % reopened[0])
if failures:
    print("  failed checks: %d (%s)" % (len(failures), failures[0]))
    sys.exit(1)
PY

throughput() { # URL: MB/s of CLIENTS kept-alive curl clients, REQUESTS each
  local urls=() start end
  for _ in $(seq "$REQUESTS"); do urls+=(-o /dev/null "$1/file.bin"); done
  start=$(date +%s.%N)
  for _ in $(seq "$CLIENTS"); do timeout 60 curl -sS --fail "${urls[@]}" & done
  wait
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" -v n=$((CLIENTS * REQUESTS)) -v kb="$FILE_KB" \
    'BEGIN { printf "%.1f", n * kb / 1024 / (b - a) }'
}
best() { sort -g | tail -n 1; }

echo "== static throughput, $FILE_KB KB file, $CLIENTS clients x $REQUESTS requests, best of $ROUNDS"
old_url=""
[ -n "$EARLIER" ] && old_url=$(start_server "$EARLIER" old)
new_rates=() old_rates=()
for _ in $(seq "$ROUNDS"); do
  new_rates+=("$(throughput "$new_url")")
  [ -n "$old_url" ] && old_rates+=("$(throughput "$old_url")")
done
new=$(printf '%s\n' "${new_rates[@]}" | best)
printf '  this build      %8.1f MB/s\n' "$new"
if [ -n "$old_url" ]; then
  old=$(printf '%s\n' "${old_rates[@]}" | best)
  printf '  earlier build   %8.1f MB/s\n' "$old"
  printf '  ratio new/old   %8.2f\n' "$(awk -v a="$new" -v b="$old" 'BEGIN { print a / b }')"
fi
