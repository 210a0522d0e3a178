#!/usr/bin/env bash
# Downloads a 200 MB file from vantor-server on loopback with `vantor-cli download`, side by
# side with curl, and reports both times and their ratio (target: 1.5 or less); then the same
# through tinyproxy (Debian package tinyproxy) on loopback, vantor-cli against curl, both through it.
#   bench/download_bench.sh [BUILD_DIR]        (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
SIZE_MB=200
RUNS=3

work=$(mktemp -d -t vantor-download-bench.XXXXXX)
server_pid="" proxy_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  [ -n "$proxy_pid" ] && kill "$proxy_pid" 2>/dev/null && wait "$proxy_pid" 2>/dev/null
  rm -rf "$work"
}
# The machine's own proxy settings stay out of the direct runs.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY no_proxy NO_PROXY
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

# compare LABEL PROXY: best of RUNS for vantor-cli and curl, both through PROXY when it is given.
compare() {
  local label=$1 proxy=$2 cli_times=() curl_times=() cli curl
  for _ in $(seq $RUNS); do
    cli_times+=("$(seconds env ${proxy:+http_proxy=$proxy} "$BUILD/tools/vantor-cli/vantor-cli" download "$url" "$work/cli.bin")")
    curl_times+=("$(seconds curl -sS ${proxy:+-x "$proxy"} -o "$work/curl.bin" "$url")")
  done
  cmp -s "$work/cli.bin" "$work/www/big.bin" || { echo "vantor-cli's copy differs from the source ($label)" >&2; exit 1; }
  cli=$(printf '%s\n' "${cli_times[@]}" | best)
  curl=$(printf '%s\n' "${curl_times[@]}" | best)
  printf 'download of %d MB %s, best of %d\n' "$SIZE_MB" "$label" "$RUNS"
  printf '  vantor-cli download  %6.3f s\n' "$cli"
  printf '  curl                 %6.3f s\n' "$curl"
  printf '  ratio                %6.2f (target 1.5 or less)\n' "$(awk -v a="$cli" -v b="$curl" 'BEGIN { print a / b }')"
}

compare "on loopback" ""

tinyproxy=$(command -v tinyproxy || true)
if [ -z "$tinyproxy" ]; then
  echo "tinyproxy is not installed (Debian package tinyproxy): the run through a proxy is left out" >&2
  exit 0
fi
proxy_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/tinyproxy.conf" <<EOF
Port $proxy_port
Listen 127.0.0.1
Timeout 60
MaxClients 10
LogLevel Warning
LogFile "$work/tinyproxy.log"
Allow 127.0.0.1
DisableViaHeader Yes
EOF
"$tinyproxy" -d -c "$work/tinyproxy.conf" >/dev/null 2>&1 &
proxy_pid=$!
for _ in $(seq 200); do curl -s -o /dev/null -x "http://127.0.0.1:$proxy_port" "$url.missing" && break; sleep 0.05; done
compare "through tinyproxy on loopback" "http://127.0.0.1:$proxy_port"
