#!/usr/bin/env bash
# Installs, builds and runs every test: the plain build and the sanitizer build; in CI (or with
# VANTOR_FUZZ_SECONDS=N) also every fuzz target for a short time.
set -euo pipefail
cd "$(dirname "$0")/.."

presets=(default asan)
[ -n "${VANTOR_TEST_PRESETS:-}" ] && read -r -a presets <<<"$VANTOR_TEST_PRESETS"

bash scripts/setup.sh "${presets[@]}"
# The run command's build compiles each library as one file: built here too, so that two files
# that each name a helper of their own alike are found before a user runs into it.
echo "== The run command's build"
VANTOR_BUILD_TARGETS="vantor-pc vantor-cli vantor-scale-sim vantor-server" bash scripts/setup.sh run

status=0
echo "== Formatting"
bash scripts/format-check.sh || status=1

for preset in "${presets[@]}"; do
  echo "== Tests, preset '$preset'"
  ctest --preset "$preset" || status=1
done

# The fuzz targets, each for a short while: in CI 6 s a target (under 2 minutes of a CI run that
# stays within 15 minutes on two cores), or VANTOR_FUZZ_SECONDS a target when it is set (0 leaves
# fuzzing out).
# The Windows build, in CI: the Qt-free core cross-built and its tests under Wine on every run;
# the programs, their runs against the simulator and the installer as well when this machine has
# the cross-built Qt in its cache (scripts/windows.sh qt makes it, in about 50 minutes).
if [ "${CI:-}" = "true" ] || [ -n "${VANTOR_TEST_WINDOWS:-}" ]; then
  steps=(core)
  parts=(core)
  if bash scripts/windows.sh has-qt; then
    steps+=(app installer)
    parts+=(cli gui installer)
  else
    echo "== No cross-built Qt in the cache: the Windows programs are not built in this run"
  fi
  echo "== Windows: ${steps[*]} built, ${parts[*]} run under Wine"
  { bash scripts/windows.sh "${steps[@]}" && bash scripts/windows-test.sh "${parts[@]}"; } || status=1
fi

fuzz_seconds="${VANTOR_FUZZ_SECONDS:-}"
[ -z "$fuzz_seconds" ] && [ "${CI:-}" = "true" ] && fuzz_seconds=6
if [ -n "$fuzz_seconds" ] && [ "$fuzz_seconds" != 0 ]; then
  echo "== Fuzzing, ${fuzz_seconds} s a target"
  bash scripts/fuzz.sh "$fuzz_seconds" || status=1
fi
exit $status
