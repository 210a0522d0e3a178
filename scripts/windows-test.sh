#!/usr/bin/env bash
# Runs the cross-built tests under Wine: the core's tests from build/windows-core (made by
# scripts/windows.sh core). Wine gets a prefix of its own inside that build folder (the user's
# ~/.wine is never used) and no display. Exits non-zero when a test fails or none ran.
#   scripts/windows-test.sh
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/windows-core
if [ ! -f "$build/CTestTestfile.cmake" ]; then
  echo "No Windows build in $build: run scripts/windows.sh core first." >&2
  exit 1
fi

# Headless, quiet, and without offering to install Wine's .NET and HTML engines.
export WINEPREFIX="$PWD/$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== Making the Wine prefix $WINEPREFIX"
  wineboot --init >/dev/null 2>&1
  wineserver --wait
fi

echo "== Core tests under Wine"
log="$build/windows-test.log"
status=0
ctest --preset windows-core --no-tests=error --verbose >"$log" 2>&1 || status=$?
grep -E '^[0-9]+/[0-9]+ Test|tests passed|FAILED|Failure' "$log" || true
# Each test program prints its own count of test cases.
passed=$(sed -n 's/^[0-9]*: \[  PASSED  \] \([0-9]*\) tests\?\.$/\1/p' "$log" | awk '{ n += $1 } END { print n + 0 }')
echo "== Test cases passed under Wine: ${passed:-0} (log: $log)"
wineserver --kill || true
exit $status
