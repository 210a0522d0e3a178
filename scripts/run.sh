#!/usr/bin/env bash
# Installs and builds what is missing, starts a simulated scale and the local stand-in for the
# maker's web and download server, and runs a whole scale update against them: the program's
# window when a display is available, otherwise the same update through vantor-cli. Everything
# started here is stopped when the program ends.
set -euo pipefail
cd "$(dirname "$0")/.."

# Only the four programs, in a build of their own that compiles each library in one go: the
# tests are built by scripts/test.sh.
VANTOR_BUILD_TARGETS="vantor-pc vantor-cli vantor-scale-sim vantor-server" bash scripts/setup.sh run
BUILD=build/run
work=$(mktemp -d -t vantor-run.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# Waits for the first line of a started program's stdout (its device path or base URL).
first_line() {
  local file=$1 what=$2 errors=$3
  for _ in $(seq 200); do [ -s "$file" ] && break; sleep 0.05; done
  local line
  line=$(head -n 1 "$file")
  [ -n "$line" ] || { echo "$what did not start:" >&2; cat "$errors" >&2; exit 1; }
  echo "$line"
}

# The simulated scale: its memory persists in the work folder while this script runs.
"$BUILD/tools/vantor-scale-sim/vantor-scale-sim" --serial 12345678 --memory "$work/scale-memory.bin" \
  >"$work/sim.out" 2>"$work/sim.err" &
pids+=($!)
device=$(first_line "$work/sim.out" "The scale simulator" "$work/sim.err")
echo "== Simulated scale (serial 12345678) on $device"

# The server's files: the update file, the banner picture and the manual.
mkdir -p "$work/www/VantorDownload" "$work/www/UserManuals"
# An update as the maker ships it: it leaves the zone table and keys region blank, so the
# scale keeps its own (they are saved first and written back after the update).
cp tests/fixtures/hex/maker-update.hex "$work/www/VantorDownload/VantorUSA_APROM.hex"
# The banner keeps the name the program asks for; the program reads the picture by its content.
cp scripts/demo/usaupdatebanner.png "$work/www/VantorDownload/usaupdatebanner.jpg"
cp scripts/demo/VantorUSA_Manual.pdf "$work/www/UserManuals/VantorUSA_Manual.pdf"
"$BUILD/tools/vantor-server/vantor-server" --root "$work/www" --software-update Y \
  >"$work/server.out" 2>"$work/server.err" &
pids+=($!)
server=$(first_line "$work/server.out" "vantor-server" "$work/server.err")
echo "== Local web and download server on $server"

# Only the simulated scale is looked for: the machine's own serial ports are left alone.
export VANTOR_ONLY_PORTS="$device"
export VANTOR_WEB_SERVER="$server"
export VANTOR_DOWNLOAD_SERVER="$server"
export VANTOR_PROBE_URL="$server/probe"
link="$server/VantorDownload/VantorUSA_APROM.hex"

status=0
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "== Starting Vantor PC Program. After \"Update Scale\", paste this link and click Continue:"
  echo "   $link"
  "$BUILD/src/vantor-pc" || status=$?
else
  echo "== No display: the same update through vantor-cli"
  "$BUILD/tools/vantor-cli/vantor-cli" flash "$link" || status=$?
  echo "== vantor-cli flash ended with status $status (0: every page written and verified)"
fi
exit $status
