#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12 and builds the given CMake presets.
#   scripts/setup.sh [PRESET...]      (default: default)
# VANTOR_BUILD_TARGETS (blank-separated target names) builds only those, with what they need.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev libqt6svg6 libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcivetweb-dev libsqlite3-dev
  python3 curl fonts-dejavu-core
  tinyproxy                     # the online tests put a real forward proxy between the program and the server
  help2man desktop-file-utils   # the manual pages; the package test checks the desktop entry
  lintian                       # the package test runs Debian's package checker on the .deb
  ccache                        # rebuilds of a fresh clone reuse earlier compilations
  clang-format                  # the tests check that the C++ files follow .clang-format
)

bash scripts/install-packages.sh "${PACKAGES[@]}"

# Compilations are shared between checkouts in different folders: paths below the project are
# hashed relative to it, and the working directory is left out of the hash.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1

presets=("$@")
((${#presets[@]})) || presets=(default)
for preset in "${presets[@]}"; do
  echo "== Building preset '$preset'"
  cmake --preset "$preset" >/dev/null
  targets=()
  for target in ${VANTOR_BUILD_TARGETS:-}; do targets+=(--target "$target"); done
  cmake --build --preset "$preset" -j "$(nproc)" "${targets[@]}"
done
