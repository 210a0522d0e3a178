#!/usr/bin/env bash
# vantor-server under load on loopback, bounded in count and time:
#  1. the program's two checks (`vantor-cli check`), one after another for CHECK_SECONDS, beside
#     100 connections that send nothing and 32 that send a request head slowly, all kept open:
#     reopened as soon as the server ends them, as a client set on holding its workers would;
#  2. static throughput on a 184 KB file, against an earlier build of the server when one is given:
#     both in the same run, in paired rounds (which goes first alternates), the ratio taken per
#     round so that other work on the machine weighs on both alike; the median ratio is reported.
#   bench/server_load.sh [BUILD_DIR] [EARLIER_SERVER]      (default: build/release, no comparison)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
EARLIER=${2:-}
CHECK_SECONDS=12     # long enough for the server's time-outs to end held connections
MAX_CHECKS=2000
FILE_KB=184
REQUESTS=500         # per client and round
CLIENTS=2            # concurrent kept-alive clients, under the server's limit per address
ROUNDS=9

work=$(mktemp -d -t vantor-server-bench.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

mkdir -p "$work/www"
head -c $((FILE_KB * 1024)) /dev/urandom >"$work/www/file.bin"

start_server() { # EXECUTABLE NAME: starts it on a free port; its base URL goes into $work/NAME.out
  "$1" --root "$work/www" >"$work/$2.out" 2>/dev/null &
  pids+=($!)
  echo $! >"$work/$2.pid"
  for _ in $(seq 200); do [ -s "$work/$2.out" ] && break; sleep 0.05; done
}

start_server "$BUILD/tools/vantor-server/vantor-server" new
new_url=$(head -n 1 "$work/new.out")

echo "== checks beside 100 idle and 32 slow connections, for $CHECK_SECONDS s"
VANTOR_WEB_SERVER="$new_url" VANTOR_PROBE_URL="$new_url/probe" \
  timeout 120 python3 - "$new_url" "$BUILD/tools/vantor-cli/vantor-cli" "$CHECK_SECONDS" "$MAX_CHECKS" <<'PY'
import os, selectors, socket, statistics, subprocess, sys, threading, time

url, cli, seconds, most = sys.argv[1], sys.argv[2], float(sys.argv[3]), int(sys.argv[4])
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
    end = time.monotonic() + seconds
    while time.monotonic() < end and len(times) < most:
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
times.sort()
print("  %d runs of vantor-cli check (both queries, process start included):" % len(times))
print("    median %.3f s, 95th percentile %.3f s, max %.3f s"
      % (statistics.median(times), times[int(len(times) * 0.95)], times[-1]))
print("  held connections reopened after the server ended them: %d" % reopened[0])
if failures:
    print("  failed checks: %d (%s)" % (len(failures), failures[0]))
    sys.exit(1)
PY

cpu_ticks() { # PID: user + system clock ticks the process has used
  awk '{ print $14 + $15 }' "/proc/$1/stat"
}

throughput() { # NAME URL: "MB/s server-CPU-ms-per-MB" for CLIENTS kept-alive curl clients, REQUESTS each
  local urls=() clients=() start end ticks_before ticks_after pid
  pid=$(cat "$work/$1.pid")
  for _ in $(seq "$REQUESTS"); do urls+=(-o /dev/null "$2/file.bin"); done
  ticks_before=$(cpu_ticks "$pid")
  start=$(date +%s.%N)
  clients=()
  for _ in $(seq "$CLIENTS"); do
    timeout 60 curl -sS --fail "${urls[@]}" &
    clients+=($!)
  done
  wait "${clients[@]}"
  end=$(date +%s.%N)
  ticks_after=$(cpu_ticks "$pid")
  awk -v a="$start" -v b="$end" -v n=$((CLIENTS * REQUESTS)) -v kb="$FILE_KB" -v t=$((ticks_after - ticks_before)) \
    -v hz="$(getconf CLK_TCK)" 'BEGIN { mb = n * kb / 1024; printf "%.1f %.3f", mb / (b - a), t * 1000 / hz / mb }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "== static throughput, $FILE_KB KB file, $CLIENTS kept-alive clients x $REQUESTS requests, $ROUNDS rounds"
old_url=""
if [ -n "$EARLIER" ]; then
  start_server "$EARLIER" old
  old_url=$(head -n 1 "$work/old.out")
fi
new_rates=() old_rates=() ratios=() new_cpu=() old_cpu=()
for round in $(seq "$ROUNDS"); do
  if [ -z "$old_url" ]; then
    read -r rate cpu <<<"$(throughput new "$new_url")"
    new_rates+=("$rate") new_cpu+=("$cpu")
    continue
  fi
  if ((round % 2)); then
    new=$(throughput new "$new_url") old=$(throughput old "$old_url")
  else
    old=$(throughput old "$old_url") new=$(throughput new "$new_url")
  fi
  read -r new_rate cpu <<<"$new"; new_rates+=("$new_rate") new_cpu+=("$cpu")
  read -r old_rate cpu <<<"$old"; old_rates+=("$old_rate") old_cpu+=("$cpu")
  ratios+=("$(awk -v a="$new_rate" -v b="$old_rate" 'BEGIN { print a / b }')")
done
printf '  this build      median %8.1f MB/s, server CPU %6.3f ms per MB\n' \
  "$(printf '%s\n' "${new_rates[@]}" | median)" "$(printf '%s\n' "${new_cpu[@]}" | median)"
if [ -n "$old_url" ]; then
  printf '  earlier build   median %8.1f MB/s, server CPU %6.3f ms per MB\n' \
    "$(printf '%s\n' "${old_rates[@]}" | median)" "$(printf '%s\n' "${old_cpu[@]}" | median)"
  printf '  ratio new/old   median %8.2f (rounds: %s)\n' "$(printf '%s\n' "${ratios[@]}" | median)" \
    "$(printf '%.2f ' "${ratios[@]}")"
fi
