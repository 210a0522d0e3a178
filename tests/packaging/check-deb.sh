#!/usr/bin/env bash
# Builds the .deb from a build folder with cpack, unpacks it with dpkg into a temporary folder (the
# system is never touched) and checks what a user would get: the two programs and nothing of the
# development tools, the desktop entry, every icon, the udev rule, the manual pages, the copyright
# notice and changelog, dependencies on Debian's Qt 6 packages, a vantor-cli that runs, and a
# package that lintian (Debian's package checker) finds no error or warning in.
#   check-deb.sh BUILD_DIR VERSION [CPACK]
set -uo pipefail

build_dir=$1
version=$2
cpack=${3:-cpack}

work=$(mktemp -d "${TMPDIR:-/tmp}/vantor-deb.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

failures=0
passes=0
pass() { passes=$((passes + 1)); }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() {  # check DESCRIPTION COMMAND...
    local what=$1; shift
    if "$@"; then pass; else fail "$what"; fi
}

# --- the package -------------------------------------------------------------------------------
if ! "$cpack" --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack could not build the package"
    exit 1
fi
debs=("$work"/out/*.deb)
if [ "${#debs[@]}" -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "FAIL: cpack made ${#debs[@]} .deb files: ${debs[*]}"
    exit 1
fi
deb=${debs[0]}
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

field() { dpkg-deb -f "$deb" "$1"; }
check "the package is called vantor-pc" test "$(field Package)" = vantor-pc
check "the package's version is $version" test "$(field Version)" = "$version"
check "the file is named vantor-pc_${version}_<arch>.deb" \
    test "$(basename "$deb")" = "vantor-pc_${version}_$(field Architecture).deb"
check "dpkg-deb -I reads the package" dpkg-deb -I "$deb" >/dev/null
check "the package has a maintainer" test -n "$(field Maintainer)"
check "the package has a description" test -n "$(field Description)"
check "the package tells udev about its rule after installing" dpkg-deb -I "$deb" postinst >/dev/null

depends=$(field Depends)
echo "Depends: $depends"
for library in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6serialport6 libqt6svg6; do
    check "Depends names $library" grep -Eq "(^|, )$library( |,|$)" <<<"$depends"
done

# Everything below /usr, nothing written to the root of the system directly.
outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v -e '^\./$' -e '^\./usr/' || true)
check "every file lies below /usr (found: $outside)" test -z "$outside"

# --- its contents --------------------------------------------------------------------------------
root=$work/root
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x could not unpack the package"; exit 1; }

for program in vantor-pc vantor-cli; do
    check "usr/bin/$program is an executable file" test -f "$root/usr/bin/$program" -a -x "$root/usr/bin/$program"
done
for tool in vantor-scale-sim vantor-server; do
    check "the development tool $tool is left out" test -z "$(find "$root" -name "$tool*")"
done

desktop=$root/usr/share/applications/vantor-pc.desktop
check "the desktop entry is installed" test -f "$desktop"
check "the desktop entry is named Vantor PC Program" grep -qx 'Name=Vantor PC Program' "$desktop"
check "the desktop entry starts vantor-pc" grep -qx 'Exec=vantor-pc' "$desktop"
check "the desktop entry shows the vantor-pc icon" grep -qx 'Icon=vantor-pc' "$desktop"
check "the desktop entry is no terminal program" grep -qx 'Terminal=false' "$desktop"
check "the desktop entry is in Utility" grep -Eq '^Categories=(.*;)?Utility;' "$desktop"
if command -v desktop-file-validate >/dev/null; then
    check "desktop-file-validate accepts the desktop entry" desktop-file-validate "$desktop"
else
    echo "note: desktop-file-validate not installed (desktop-file-utils); its check is left out"
fi

icons=$root/usr/share/icons/hicolor
check "the scalable icon is an SVG" grep -q '<svg' "$icons/scalable/apps/vantor-pc.svg"
png_size() {  # the width and height in a PNG's header, "WxH"
    od -An -tu1 -j16 -N8 "$1" | awk '{print ($1*16777216+$2*65536+$3*256+$4) "x" ($5*16777216+$6*65536+$7*256+$8)}'
}
for size in 16 32 48 64 128 256; do
    icon=$icons/${size}x${size}/apps/vantor-pc.png
    if [ -f "$icon" ]; then
        check "the ${size}x${size} icon is a ${size}x${size} PNG" test "$(png_size "$icon")" = "${size}x${size}"
    else
        fail "the ${size}x${size} icon is missing"
    fi
done

rule=$root/usr/lib/udev/rules.d/60-vantor-scale.rules
check "the udev rule is installed" test -f "$rule"
for adapter in '"0403".*"6001"' '"067b".*"2303"' '"10c4".*"ea60"' '"1a86".*"7523"'; do
    check "the udev rule keeps ModemManager from the adapter $adapter" \
        grep -Eq "ATTRS\{idVendor\}==$adapter.*ENV\{ID_MM_DEVICE_IGNORE\}=\"1\"" "$rule"
done

for program in vantor-cli vantor-pc; do
    page=$root/usr/share/man/man1/$program.1.gz
    check "the manual page $program(1) is installed" test -f "$page"
    check "the manual page $program(1) is gzip-compressed" gzip -t "$page"
    check "the manual page is $program(1)" grep -qi "^\.TH $program \"\?1\"\?" <(gzip -dc "$page" 2>/dev/null)
done
man_text() { gzip -dc "$root/usr/share/man/man1/$1.1.gz" 2>/dev/null; }
check "vantor-cli(1) describes the flash command" grep -q 'flash' <(man_text vantor-cli)
check "vantor-pc(1) names the environment variable VANTOR_SERIAL_PORTS" grep -q 'VANTOR_SERIAL_PORTS' <(man_text vantor-pc)
check "vantor-pc(1) names the settings file" grep -q 'VantorUSA_PCProgram\.conf' <(man_text vantor-pc)

doc=$root/usr/share/doc/vantor-pc
check "the copyright notice is installed" grep -q '^Copyright: ' "$doc/copyright"
newest=$(gzip -dc "$doc/changelog.gz" 2>/dev/null | head -n 1)
check "the changelog's newest entry is vantor-pc ($version) (found: $newest)" \
    grep -q "^vantor-pc ($version) " <<<"$newest"

# The unpacked vantor-cli runs on the system's Qt.
cli_version=$("$root/usr/bin/vantor-cli" --version 2>&1)
check "the unpacked vantor-cli --version prints 'vantor-cli $version' (printed: $cli_version)" \
    test "$cli_version" = "vantor-cli $version"

# lintian runs as root in CI and says so on stderr; only its tags count.
if command -v lintian >/dev/null; then
    if ! lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>/dev/null; then
        cat "$work/lintian.log"
        fail "lintian finds no error or warning in the package"
    else
        pass
    fi
else
    fail "lintian is not installed (scripts/setup.sh installs it)"
fi

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
