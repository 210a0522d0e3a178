#!/usr/bin/env bash
# Downloads a 200 MB file from vantor-server on loopback with `vantor-cli download`, side by
# side with curl, and reports both times and their ratio (target: 1.5 or less).
#   bench/download_bench.sh [BUILD_DIR]        (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
SIZE_MB=200
RUNS=3

work=$(mktemp -d -t vantor-download-bench.XXXXXX)
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

mkdir -p "$work/www"
head -c $((SIZE_MB * 1024 * 1024)) /dev/urandom >"$work/www/big.bin"
"$BUILD/tools/vantor-server/vantor-server" --root "$work/www" >"$work/server.out" 2>/dev/null &
server_pid=$!
for _ in $(seq 200); do [ -s "$work/server.out" ] && break; sleep 0.05; done
url="$(head -n 1 "$work/server.out")/big.bin"

seconds() { # runs the command, prints the wall time in seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}
best() { sort -g | head -n 1; }

cli_times=() curl_times=()
for _ in $(seq $RUNS); do
  cli_times+=("$(seconds "$BUILD/tools/vantor-cli/vantor-cli" download "$url" "$work/cli.bin")")
  curl_times+=("$(seconds curl -sS -o "$work/curl.bin" "$url")")
done
cmp -s "$work/cli.bin" "$work/www/big.bin" || { echo "vantor-cli's copy differs from the source" >&2; exit 1; }

cli=$(printf '%s\n' "${cli_times[@]}" | best)
curl=$(printf '%s\n' "${curl_times[@]}" | best)
printf 'download of %d MB on loopback, best of %d\n' "$SIZE_MB" "$RUNS"
printf '  vantor-cli download  %6.3f s\n' "$cli"
printf '  curl                 %6.3f s\n' "$curl"
printf '  ratio                %6.2f (target 1.5 or less)\n' "$(awk -v a="$cli" -v b="$curl" 'BEGIN { print a / b }')"
