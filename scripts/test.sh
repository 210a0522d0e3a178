#!/usr/bin/env bash
# Installs, builds and runs every test: the plain build and the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."

presets=(default asan)
[ -n "${VANTOR_TEST_PRESETS:-}" ] && read -r -a presets <<<"$VANTOR_TEST_PRESETS"

bash scripts/setup.sh "${presets[@]}"

status=0
for preset in "${presets[@]}"; do
  echo "== Tests, preset '$preset'"
  ctest --preset "$preset" || status=1
done
exit $status
