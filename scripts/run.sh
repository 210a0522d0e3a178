#!/usr/bin/env bash
# Installs and builds what is missing, starts a simulated scale and a local stand-in for the web,
# and runs the program against them: the window when a display is available, otherwise the same
# steps through vantor-cli. Everything started here is stopped when the program ends.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh default
BUILD=build/default
work=$(mktemp -d -t vantor-run.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# The simulated scale: its memory persists in the work folder while this script runs.
"$BUILD/tools/vantor-scale-sim/vantor-scale-sim" --serial 12345678 --memory "$work/scale-memory.bin" \
  >"$work/sim.out" 2>"$work/sim.err" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/sim.out" ] && break; sleep 0.05; done
device=$(head -n 1 "$work/sim.out")
[ -n "$device" ] || { echo "The scale simulator did not start:"; cat "$work/sim.err"; exit 1; }
echo "== Simulated scale (serial 12345678) on $device"

# A local page for the program's Internet check.
probe_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
echo "Vantor probe page" >"$work/index.html"
python3 -m http.server "$probe_port" --bind 127.0.0.1 --directory "$work" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do curl -fsS "http://127.0.0.1:$probe_port/" >/dev/null 2>&1 && break; sleep 0.05; done
echo "== Local Internet check page on http://127.0.0.1:$probe_port/"

export VANTOR_SERIAL_PORTS="$device"
export VANTOR_PROBE_URL="http://127.0.0.1:$probe_port/"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "== Starting Vantor PC Program"
  "$BUILD/src/vantor-pc"
else
  echo "== No display: the same steps through vantor-cli"
  "$BUILD/tools/vantor-cli/vantor-cli" detect
  "$BUILD/tools/vantor-cli/vantor-cli" serial --port "$device"
fi
