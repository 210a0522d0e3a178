#!/usr/bin/env bash
# Times `vantor-cli flash` of the sample update against vantor-scale-sim with wire timing, once
# through vantor-cli.exe under Wine (on COM5, which Wine maps to the simulator's pseudo-terminal)
# and once through the Linux vantor-cli, and sets each wall time against the wire minimum (70.94 s:
# 136,198 bytes at 1,920 bytes a second, as in fleet_bench.sh). Only --port is used: no port is
# detected, so no device of the machine is opened.
#   bench/windows_flash_bench.sh      (needs scripts/windows.sh app and scripts/setup.sh)
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
WIRE_SECONDS=70.94
SIM=build/default/tools/vantor-scale-sim/vantor-scale-sim
EXE=build/windows/tools/vantor-cli/vantor-cli.exe
for needed in "$SIM" "$EXE" build/default/tools/vantor-cli/vantor-cli; do
  [ -e "$needed" ] || { echo "No $needed: run scripts/setup.sh and scripts/windows.sh app first." >&2; exit 1; }
done

work=$(mktemp -d -t vantor-windows-bench.XXXXXX)
sim=""
cleanup() {
  [ -z "$sim" ] || { kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; } || true
  wineserver --kill >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" XDG_DATA_HOME="$work/data"
unset DISPLAY
qt=$(realpath "$(sed -n 's/^Qt6_DIR:PATH=//p' build/windows/CMakeCache.txt)/../../..")
export WINEPATH="$qt/bin;$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")");$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")")"
wineboot --init >/dev/null 2>&1
wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$work/com5" /f >/dev/null 2>&1
wineserver --kill >/dev/null 2>&1 || true
wineserver --wait >/dev/null 2>&1 || true

# Flashes a fresh simulated scale with wire timing through "$@" (PORT is its device) and prints
# the wall time in seconds.
timed_flash() {
  "$SIM" --wire-timing >"$work/sim.out" 2>/dev/null &
  sim=$!
  for _ in $(seq 200); do [ -s "$work/sim.out" ] && break; sleep 0.05; done
  PORT=$(head -1 "$work/sim.out")
  ln -sfn "$PORT" "$work/com5"
  local start end
  start=$(date +%s.%N)
  if ! "$@" >"$work/flash.log" 2>&1; then
    cat "$work/flash.log" >&2
    echo "The flash through $1 failed." >&2
    return 1
  fi
  end=$(date +%s.%N)
  kill "$sim" && wait "$sim" || true
  sim=""
  echo "$end - $start" | bc
}

printf "%-24s %-9s %s\n" program wall_s wire_ratio
windows=$(timed_flash wine "$EXE" flash tests/fixtures/hex/sample-update.hex --port COM5)
printf "%-24s %-9.2f %.4f\n" "vantor-cli.exe (Wine)" "$windows" "$(echo "$windows / $WIRE_SECONDS" | bc -l)"
linux=$(timed_flash sh -c 'exec build/default/tools/vantor-cli/vantor-cli flash tests/fixtures/hex/sample-update.hex --port "$0"' "$work/com5")
printf "%-24s %-9.2f %.4f\n" "vantor-cli (Linux)" "$linux" "$(echo "$linux / $WIRE_SECONDS" | bc -l)"
printf "Wine / Linux: %.4f\n" "$(echo "$windows / $linux" | bc -l)"
