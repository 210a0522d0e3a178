#!/usr/bin/env bash
# Builds the libFuzzer targets (CMake preset 'fuzz') and runs each for the given time, starting
# from a copy of its seed corpus in fuzz/corpus/ so the repository's corpus is left as it is.
#   scripts/fuzz.sh [SECONDS]          (default: 30 seconds per target)
# Prints the executions of each target; an input that crashes a target, or breaks one of its
# invariants, is kept in build/fuzz/artifacts/<target>/ and makes the script exit non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-30}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: scripts/fuzz.sh [SECONDS]   (seconds per target, a whole number above 0)" >&2
  exit 2
fi

# clang with its runtimes for libFuzzer and the sanitizers; the rest is what configuring the tree needs.
PACKAGES=(
  clang libclang-rt-14-dev
  cmake ninja-build
  qt6-base-dev qt6-serialport-dev libsqlite3-dev libcivetweb-dev
)
bash scripts/install-packages.sh "${PACKAGES[@]}"

echo "== Building preset 'fuzz'"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

build=build/fuzz
artifacts="$build/artifacts"
work="$(mktemp -d "${TMPDIR:-/tmp}/vantor-fuzz.XXXXXX")"
trap 'rm -rf "$work"' EXIT
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

mapfile -t targets <"$build/fuzz/targets.txt"
status=0
summary=()
for target in "${targets[@]}"; do
  [ -n "$target" ] || continue
  corpus="$work/$target"
  mkdir -p "$corpus" "$artifacts/$target"
  [ -d "fuzz/corpus/$target" ] && cp -R "fuzz/corpus/$target/." "$corpus/"
  log="$work/$target.log"
  echo "== Fuzzing $target for ${seconds} s"
  result=0
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$target/" "$corpus" >"$log" 2>&1 || result=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
  if [ -z "$runs" ]; then
    runs="$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#' || true)"
  fi
  if [ "$result" -ne 0 ]; then
    status=1
    crash="$(grep -oE "Test unit written to .*" "$log" | tail -n 1 || true)"
    grep -E "invariant broken|ERROR: |SUMMARY: |runtime error" "$log" | head -n 5 || true
    echo "   ${crash:-no input saved (see the log above)}"
    summary+=("$(printf '%-22s %12s executions  CRASH (exit %d)' "$target" "${runs:-?}" "$result")")
  else
    summary+=("$(printf '%-22s %12s executions  ok' "$target" "${runs:-?}")")
  fi
done

echo "== Fuzzing summary (${seconds} s per target)"
printf '%s\n' "${summary[@]}"
exit $status
