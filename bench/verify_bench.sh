#!/usr/bin/env bash
# Checks 1 and 4 (or the given counts of) simulated scales with wire timing at once with
# `vantor-cli verify --port ...` and reports, for each count, the wall time as a ratio to one scale's
# wire minimum for the 512 page reads (35.73 s: 512 x (3 + 131) bytes at 1,920 bytes a second;
# target 1.05 or less) and vantor-cli's CPU time per scale as a share of the wall time. The wall
# time runs from the process start, so it also holds the start-up and the serial-number read: the
# ratio errs high, never low. The scales hold what the update file gives them, so every one matches.
#   bench/verify_bench.sh [BUILD_DIR] [COUNTS...]      (default: build/release 1 4)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
shift || true
COUNTS=("$@")
((${#COUNTS[@]})) || COUNTS=(1 4)
UPDATE=tests/fixtures/hex/sample-update.hex
WIRE_SECONDS=35.73

work=$(mktemp -d -t vantor-verify-bench.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

printf "%-7s %-9s %-11s %s\n" scales wall_s wire_ratio cpu_per_scale
for count in "${COUNTS[@]}"; do
  pids=()
  ports=()
  for i in $(seq "$count"); do
    serial=$(printf "%08d" "$((10000000 + i))")
    # Each scale's memory as an update from the file leaves it.
    "$BUILD/tools/vantor-cli/vantor-cli" image "$UPDATE" --serial "$serial" --output "$work/mem$i"
    "$BUILD/tools/vantor-scale-sim/vantor-scale-sim" --memory "$work/mem$i" --wire-timing >"$work/sim$i.out" 2>/dev/null &
    pids+=($!)
  done
  for i in $(seq "$count"); do
    for _ in $(seq 200); do [ -s "$work/sim$i.out" ] && break; sleep 0.05; done
    ports+=(--port "$(head -n 1 "$work/sim$i.out")")
  done
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$BUILD/tools/vantor-cli/vantor-cli" verify "$UPDATE" "${ports[@]}" \
    >"$work/out" 2>"$work/err" || {
    cat "$work/out" "$work/err" >&2
    exit 1
  }
  for pid in "${pids[@]}"; do kill "$pid"; done
  wait 2>/dev/null || true
  [ "$(grep -c ': matches$' "$work/out")" -eq "$count" ] || {
    cat "$work/out" >&2
    exit 1
  }
  read -r wall user sys <"$work/time"
  awk -v n="$count" -v wall="$wall" -v cpu="$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" \
    -v wire="$WIRE_SECONDS" \
    'BEGIN { printf "%-7d %-9.2f %-11.4f %s\n", n, wall, wall / wire, sprintf("%.3f%%", 100 * cpu / n / wall) }'
done
