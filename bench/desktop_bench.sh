#!/usr/bin/env bash
# Measures vantor-pc as a user meets it, in the release build under Xvfb:
#  - start-up: from starting the process to the splash's first paint (the support log stamps it),
#    over RUNS starts (default 10);
#  - resident memory once the main menu is on screen, reached through the real start-up against the
#    simulated scale and the local server (the "Continue" on the port form is pressed with xdotool);
#  - the size of the .deb package and what it installs.
#   bench/desktop_bench.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}

bash scripts/install-packages.sh xvfb xauth xdotool dpkg-dev
bash scripts/setup.sh release
BUILD=build/release
cmake --build "$BUILD" --target vantor-pc vantor-cli vantor-scale-sim vantor-server >/dev/null

if [ -z "${VANTOR_BENCH_IN_XVFB:-}" ]; then
  VANTOR_BENCH_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

work=$(mktemp -d -t vantor-bench.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# The time of the first log line containing TEXT, in ms since the epoch; waits up to 30 s.
logged_ms() {
  local log=$1 text=$2 line
  for _ in $(seq 600); do
    line=$(grep -m1 -F "$text" "$log" 2>/dev/null || true)
    [ -n "$line" ] && break
    sleep 0.05
  done
  [ -n "$line" ] || { echo "never logged: $text" >&2; return 1; }
  date -d "$(cut -c1-23 <<<"$line")" +%s%3N
}

export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"

echo "== Start-up to the splash on screen, $runs starts (release build)"
times=()
for i in $(seq "$runs"); do
  log="$work/start-$i.log"
  # Nothing to reach: the measurement ends at the splash.
  start=$(date +%s%3N)
  VANTOR_PROBE_URL=http://127.0.0.1:9/ VANTOR_ONLY_PORTS= "$BUILD/src/vantor-pc" --log-file "$log" &
  pid=$!
  shown=$(logged_ms "$log" "frmStartUp on screen")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  times+=($((shown - start)))
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
echo "   each (ms): ${times[*]}"
echo "   median: $(sed -n "$(((runs + 1) / 2))p" <<<"$sorted") ms, slowest: $(tail -1 <<<"$sorted") ms (target: under 500 ms)"

echo "== Resident memory at the main menu"
"$BUILD/tools/vantor-scale-sim/vantor-scale-sim" --serial 12345678 >"$work/sim.out" 2>/dev/null &
pids+=($!)
mkdir -p "$work/www"
"$BUILD/tools/vantor-server/vantor-server" --root "$work/www" --software-update N >"$work/server.out" 2>/dev/null &
pids+=($!)
for _ in $(seq 200); do [ -s "$work/sim.out" ] && [ -s "$work/server.out" ] && break; sleep 0.05; done
device=$(head -1 "$work/sim.out")
server=$(head -1 "$work/server.out")
log="$work/menu.log"
VANTOR_ONLY_PORTS="$device" VANTOR_WEB_SERVER="$server" VANTOR_DOWNLOAD_SERVER="$server" \
  VANTOR_PROBE_URL="$server/probe" "$BUILD/src/vantor-pc" --log-file "$log" &
pc=$!
pids+=($pc)
logged_ms "$log" "frmChoosePort on screen" >/dev/null
window=$(xdotool search --sync --name "Connect Scale to Computer" | head -1)
xdotool windowfocus --sync "$window" key alt+c
logged_ms "$log" "frmWelcome on screen" >/dev/null
# The menu's version check runs on its eleventh tick (half a second) against the local server;
# memory is read after it has had time to finish, as a user would see the menu.
sleep 2
grep -E "VmRSS|VmHWM" "/proc/$pc/status" | sed 's/^/   /'
echo "   (target: under 80 MB resident)"

echo "== Package"
(cd "$BUILD" && cpack -G DEB >/dev/null)
deb=$(ls "$BUILD"/vantor-pc_*.deb | head -1)
echo "   $(basename "$deb"): $(stat -c %s "$deb") bytes; Installed-Size $(dpkg-deb -f "$deb" Installed-Size) KiB"
