#!/usr/bin/env bash
# Builds for Windows here, with Debian's MinGW-w64 (64-bit, POSIX threads).
#   scripts/windows.sh [qt|core|app|installer]...      (default: all four, in that order)
#     qt         Qt 6.4.2 (Core, Gui, Widgets, Network) for MinGW from Debian's qt6-base source
#                package, into a cache folder outside the checkout; reused while its recipe stays
#                the same.
#     core       the Qt-free core and its tests, warnings as errors, into build/windows-core
#                (scripts/windows-test.sh runs them under Wine).
#     app        vantor-pc.exe and vantor-cli.exe against that Qt, warnings as errors, into
#                build/windows (the CMake preset windows).
#     installer  the NSIS installer build/windows/vantor-pc-<version>-win64.exe: both programs,
#                the Qt and MinGW runtime DLLs and plugins, the manual, Start menu entries.
#   scripts/windows.sh has-qt    exits 0 when the Qt the recipe makes is in the cache (builds nothing)
# Environment: VANTOR_WINDOWS_CACHE (default ${XDG_CACHE_HOME:-$HOME/.cache}/vantor-windows),
#              VANTOR_WINDOWS_JOBS (default 2: the Qt build shares the machine's cores).
set -euo pipefail
shopt -s inherit_errexit  # a failure inside $(...) stops the script too
cd "$(dirname "$0")/.."

CACHE="${VANTOR_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vantor-windows}"
JOBS="${VANTOR_WINDOWS_JOBS:-2}"
TOOLCHAIN="$PWD/cmake/mingw-w64.cmake"

PACKAGES=(
  g++-mingw-w64-x86-64-posix wine nsis ninja-build cmake ccache
  librsvg2-bin                        # draws the program's SVG pictures as PNG (no Qt SVG here)
  googletest                          # GoogleTest's sources, built with the cross compiler
  qt6-base-dev qt6-base-dev-tools     # Qt's host tools (moc, rcc, uic) for the cross-built Qt
  dpkg-dev                            # unpacks the Qt source package
)

# The cross-built Qt must match the host tools it is built with: the same Debian source version.
QT_VERSION=6.4.2
qt_source_version() { dpkg-query -W -f='${Version}' qt6-base-dev; }

QT_OPTIONS=(
  -G Ninja
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  # Debian's source package leaves out the Wacom tablet headers (wintab).
  -DFEATURE_tabletevent=OFF
  # TLS through Windows' own Schannel: no OpenSSL to ship.
  -DFEATURE_schannel=ON
  -DFEATURE_openssl=OFF
  # Debian's host rcc compresses with zstd unless told otherwise; this Qt reads zlib only.
  -DFEATURE_zstd=OFF
  # Modules the program does not use.
  -DFEATURE_sql=OFF
  -DFEATURE_dbus=OFF
  -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF
  -DFEATURE_printsupport=OFF
  -DFEATURE_testlib=OFF
  -DINPUT_opengl=no
)

# Everything that decides what the Qt build produces; a change to any of it builds a new Qt.
qt_recipe() {
  echo "qt6-base $(qt_source_version)"
  printf '%s\n' "${QT_OPTIONS[@]}"
  cat "$TOOLCHAIN"
  x86_64-w64-mingw32-g++-posix --version | head -n1
}

# apt-get with a configuration of its own: the machine's sources, as source lines, in a folder
# of the cache. The machine's own apt configuration is never changed.
private_apt() {
  local apt="$CACHE/apt" sandbox=()
  mkdir -p "$apt/sources" "$apt/lists/partial" "$apt/cache/archives/partial"
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$apt/sources/debian-src.sources"
  # apt's download user cannot enter a cache folder under root's home: root downloads itself.
  [ "$(id -u)" -ne 0 ] || sandbox=(-o APT::Sandbox::User=root)
  apt-get -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/sources" \
    -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" "${sandbox[@]}" "$@"
}

# Prints the folder of the unpacked Qt source, fetching it first when it is not there yet.
qt_source() {
  local version src download
  version="$(qt_source_version)"
  src="$CACHE/source/qt6-base-$version"
  if [ ! -f "$src/.complete" ]; then
    echo "== Fetching Debian's qt6-base $version source" >&2
    download="$CACHE/source/download-$version"
    rm -rf "$src" "$download"
    mkdir -p "$download"
    private_apt update -qq >&2
    (cd "$download" && private_apt source --download-only -qq "qt6-base=$version" >&2)
    # apt has checked the files against the archive's signed index; the uploader's own
    # signature on the .dsc needs a keyring this machine does not have.
    dpkg-source --no-check -x "$download"/qt6-base_*.dsc "$src" >&2
    rm -rf "$download"
    touch "$src/.complete"
  fi
  echo "$src"
}

# The folder of the Qt build the current recipe makes.
qt_prefix() {
  echo "$CACHE/qt-$QT_VERSION-$(qt_recipe | sha256sum | cut -c1-12)"
}

build_qt() {
  local hash prefix build src start
  prefix="$(qt_prefix)"
  hash="${prefix##*-}"
  if [ -f "$prefix/.complete" ]; then
    echo "== Qt $QT_VERSION for MinGW: $prefix (cached)"
    return
  fi
  src="$(qt_source)"
  build="$CACHE/build/qt-$QT_VERSION-$hash"
  echo "== Building Qt $QT_VERSION for MinGW into $prefix (log: $build.log)"
  mkdir -p "$prefix" "$build"
  # The Qt build keeps its own copy of the toolchain: Qt's installed toolchain file refers to it,
  # and it must outlive the checkout it came from.
  cp "$TOOLCHAIN" "$prefix/mingw-w64.cmake"
  start=$SECONDS
  {
    nice -n 15 cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64.cmake" \
      -DCMAKE_INSTALL_PREFIX="$prefix" "${QT_OPTIONS[@]}"
    nice -n 15 cmake --build "$build" -j "$JOBS"
    cmake --install "$build"
  } >"$build.log" 2>&1 || {
    tail -n 40 "$build.log"
    echo "== The Qt build failed; the whole log is $build.log" >&2
    return 1
  }
  {
    echo "build: $((SECONDS - start)) s with -j$JOBS"
    echo "build folder: $(du -sh "$build" | cut -f1)"
    echo "installed: $(du -sh "$prefix" | cut -f1)"
  } | tee "$prefix/build-figures.txt"
  qt_recipe >"$prefix/recipe.txt"
  touch "$prefix/.complete"
  # Only the installed Qt is kept, and only the one of the current recipe.
  rm -rf "$build" "$build.log"
  find "$CACHE" -maxdepth 1 -name "qt-$QT_VERSION-*" ! -path "$prefix" -exec rm -rf {} +
}

# The Qt-free core and its tests (the CMake preset windows-core). Compilations are shared with
# other checkouts through ccache, as in scripts/setup.sh.
build_core() {
  echo "== Cross-building the core and its tests into build/windows-core"
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
  cmake --preset windows-core >/dev/null
  cmake --build --preset windows-core -j "$JOBS"
}

# vantor-pc.exe and vantor-cli.exe (the CMake preset windows) against the cached Qt.
build_app() {
  local qt
  qt="$(qt_prefix)"
  if [ ! -f "$qt/.complete" ]; then
    echo "No Qt for MinGW in $qt: run scripts/windows.sh qt first." >&2
    return 1
  fi
  echo "== Cross-building vantor-pc.exe and vantor-cli.exe into build/windows"
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1 VANTOR_WINDOWS_QT="$qt"
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$JOBS" --target vantor-pc vantor-cli
}

# The installer, from the programs as the app step built them (it configures CPack too).
build_installer() {
  if [ ! -f build/windows/src/vantor-pc.exe ]; then
    echo "No vantor-pc.exe in build/windows: run scripts/windows.sh app first." >&2
    return 1
  fi
  echo "== Packing the NSIS installer"
  rm -f build/windows/vantor-pc-*-win64.exe
  (cd build/windows && cpack -G NSIS >/dev/null)
  ls -l build/windows/vantor-pc-*-win64.exe
}

if [ "${1:-}" = has-qt ]; then
  command -v x86_64-w64-mingw32-g++-posix >/dev/null && [ -f "$(qt_prefix)/.complete" ]
  exit
fi

steps=("$@")
((${#steps[@]})) || steps=(qt core app installer)
bash scripts/install-packages.sh "${PACKAGES[@]}"
for step in "${steps[@]}"; do
  case "$step" in
    qt) build_qt ;;
    core) build_core ;;
    app) build_app ;;
    installer) build_installer ;;
    *)
      echo "unknown step '$step' (qt, core, app, installer)" >&2
      exit 2
      ;;
  esac
done
