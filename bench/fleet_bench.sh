#!/usr/bin/env bash
# Updates 1, 2, 4 and 8 simulated scales with wire timing at once with `vantor-cli flash --port ...`
# and reports, for each count, the wall time as a ratio to one scale's wire minimum (70.94 s:
# 136,198 bytes at 1,920 bytes a second; target 1.05 or less) and vantor-cli's CPU time per scale
# as a share of the wall time (target under 2 %). The wall time runs from the process start, so it
# also holds the start-up and the serial-number reads: the ratio errs high, never low.
#   bench/fleet_bench.sh [BUILD_DIR] [COUNTS...]      (default: build/release 1 2 4 8)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
shift || true
COUNTS=("$@")
((${#COUNTS[@]})) || COUNTS=(1 2 4 8)
WIRE_SECONDS=70.94

work=$(mktemp -d -t vantor-fleet-bench.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

printf "%-7s %-9s %-11s %-14s %s\n" scales wall_s wire_ratio cpu_per_scale sims_cpu_per_scale
for count in "${COUNTS[@]}"; do
  pids=()
  ports=()
  for i in $(seq "$count"); do
    serial=$(printf "%08d" "$((10000000 + i))")
    "$BUILD/tools/vantor-scale-sim/vantor-scale-sim" --serial "$serial" --wire-timing >"$work/sim$i.out" 2>/dev/null &
    pids+=($!)
  done
  for i in $(seq "$count"); do
    for _ in $(seq 200); do [ -s "$work/sim$i.out" ] && break; sleep 0.05; done
    ports+=(--port "$(head -n 1 "$work/sim$i.out")")
  done
  # vantor-cli's own wall, user and system seconds.
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$BUILD/tools/vantor-cli/vantor-cli" flash \
    tests/fixtures/hex/sample-update.hex "${ports[@]}" >"$work/out" 2>"$work/err" || {
    cat "$work/out" "$work/err" >&2
    exit 1
  }
  # The simulators' CPU time: utime + stime of each, in clock ticks, read before they are stopped.
  sims_ticks=0
  for pid in "${pids[@]}"; do
    read -r -a stat <"/proc/$pid/stat"
    sims_ticks=$((sims_ticks + stat[13] + stat[14]))
  done
  for pid in "${pids[@]}"; do kill "$pid"; done
  wait 2>/dev/null || true
  [ "$(grep -c ' updated: All 512 pages were written and verified.' "$work/out")" -eq "$count" ] || {
    cat "$work/out" >&2
    exit 1
  }
  read -r wall user sys <"$work/time"
  awk -v n="$count" -v wall="$wall" -v cpu="$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" \
    -v wire="$WIRE_SECONDS" -v sims="$sims_ticks" -v hz="$(getconf CLK_TCK)" \
    'BEGIN { printf "%-7d %-9.2f %-11.4f %-14s %s\n", n, wall, wall / wire,
             sprintf("%.3f%%", 100 * cpu / n / wall), sprintf("%.3f%%", 100 * sims / hz / n / wall) }'
done
