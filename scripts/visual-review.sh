#!/usr/bin/env bash
# Renders every form and message box of the program to PNG files under Xvfb, at 100 % and 200 %
# scaling, for review and for the README.
#   scripts/visual-review.sh [OUTDIR]        (default build/screens)
# Writes OUTDIR/100 and OUTDIR/200, each with NN-form-state.png files and an index.html.
# Builds with the default preset; VANTOR_BUILD_DIR=DIR builds in an already configured folder instead.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build/screens}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

# Xvfb to draw on; DejaVu Sans is the font the program falls back to where Verdana is missing.
"$root/scripts/install-packages.sh" xvfb xauth fonts-dejavu-core

cd "$root"
if [ -n "${VANTOR_BUILD_DIR:-}" ]; then
  build="$VANTOR_BUILD_DIR"
  cmake --build "$build" --target vantor-screens
else
  build="$root/build/default"
  cmake --preset default >/dev/null
  cmake --build --preset default --target vantor-screens
fi
screens="$build/tests/visual/vantor-screens"

for scale in 100 200; do
  rm -rf "${out:?}/$scale"
  echo "== Rendering at $scale %"
  QT_SCALE_FACTOR="$(awk "BEGIN { print $scale / 100 }")" \
    xvfb-run -a -s "-screen 0 1600x1200x24" "$screens" "$out/$scale" \
    2> >(grep -v "^QStandardPaths: XDG_RUNTIME_DIR" >&2)
done

echo "== Pictures: $out/100/index.html and $out/200/index.html"
