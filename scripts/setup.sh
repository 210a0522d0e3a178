#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12 and builds the given CMake presets.
#   scripts/setup.sh [PRESET...]      (default: default)
# The preset "run" alone (scripts/run.sh) needs only what the four programs are built from; any
# other preset installs what the tests need as well.
# VANTOR_BUILD_TARGETS (blank-separated target names) builds only those, with what they need.
set -euo pipefail
cd "$(dirname "$0")/.."

PROGRAM_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev libqt6svg6 libgl-dev
  libcivetweb-dev libsqlite3-dev
  fonts-dejavu-core
  ccache                        # rebuilds of a fresh clone reuse earlier compilations
)
TEST_PACKAGES=(
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 curl
  tinyproxy                     # the online tests put a real forward proxy between the program and the server
  help2man desktop-file-utils   # the manual pages; the package test checks the desktop entry
  lintian                       # the package test runs Debian's package checker on the .deb
  clang-format                  # the tests check that the C++ files follow .clang-format
)

presets=("$@")
((${#presets[@]})) || presets=(default)
packages=("${PROGRAM_PACKAGES[@]}")
[ "${presets[*]}" = run ] || packages+=("${TEST_PACKAGES[@]}")
bash scripts/install-packages.sh "${packages[@]}"

# Compilations are shared between checkouts in different folders: paths below the project are
# hashed relative to it, and the working directory is left out of the hash.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1

for preset in "${presets[@]}"; do
  echo "== Building preset '$preset'"
  cmake --preset "$preset" >/dev/null
  targets=()
  for target in ${VANTOR_BUILD_TARGETS:-}; do targets+=(--target "$target"); done
  cmake --build --preset "$preset" -j "$(nproc)" "${targets[@]}"
done
