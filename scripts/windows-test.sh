#!/usr/bin/env bash
# Runs the Windows build under Wine, in parts (default: all four):
#   core       the core's tests from build/windows-core (scripts/windows.sh core)
#   cli        vantor-cli.exe from build/windows (scripts/windows.sh app) against the Linux
#              vantor-scale-sim (build/default: scripts/setup.sh) on a COM port that Wine maps to
#              the simulator's pseudo-terminal: serial, flash, key, zones, backup and restore, a
#              lost reply and a refused unlock; each leaves the scale's memory as the Linux
#              vantor-cli does
#   gui        vantor-pc.exe under Xvfb, driven by key presses, against the simulator and
#              vantor-server on 127.0.0.1: the start-up to the main menu, a pasted zone chart
#              written (vantor-cli.exe then gets the port), and the update form's PC Port items
#              (COM1, then COM2 and Retry); pictures in build/windows
#   installer  the installer (scripts/windows.sh installer) clicked through page by page under
#              Xvfb (desktop shortcut, "Run Vantor PC Program") and uninstalled by hand; then
#              installed silently, the installed vantor-cli.exe run without any other DLL folder
# Wine gets prefixes of its own inside the build folders (the user's ~/.wine is never used).
# Wine maps every /dev/ttyS*, ttyUSB* and ttyACM* of the machine to a COM port, which detection
# would then write to: the tests run in a mount namespace of their own, with /dev/null mounted
# over those devices. Exits non-zero when a test fails or none ran.
#   scripts/windows-test.sh [core|cli|gui|installer]...
# VANTOR_KEEP_WORK=1 keeps the temporary folder (simulator memories, backups, logs) for a look.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

parts=("$@")
((${#parts[@]})) || parts=(core cli gui installer)

if [ -z "${VANTOR_WINDOWS_TEST_NAMESPACE:-}" ]; then
  export VANTOR_WINDOWS_TEST_NAMESPACE=1
  if [ "$(id -u)" -eq 0 ]; then
    exec unshare --mount --propagation private "$0" "${parts[@]}"
  fi
  exec unshare --user --map-root-user --mount --propagation private "$0" "${parts[@]}"
fi
for device in /dev/ttyS* /dev/ttyUSB* /dev/ttyACM*; do
  [ -e "$device" ] && mount --bind /dev/null "$device"
done

# Quiet, without offering to install Wine's .NET and HTML engines, and headless but for the
# Xvfb display of the gui part.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -n "${VANTOR_IN_XVFB:-}" ] || unset DISPLAY WAYLAND_DISPLAY

fresh_prefix() {
  export WINEPREFIX="$PWD/$1/wine"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== Making the Wine prefix $WINEPREFIX"
    wineboot --init >/dev/null 2>&1
    wineserver --wait >/dev/null 2>&1
  fi
}

require() {
  if [ ! -e "$1" ]; then
    echo "No $1: run $2 first." >&2
    exit 1
  fi
}

failures=0
check() {
  local what=$1
  shift
  if "$@"; then
    echo "   ok    $what"
  else
    echo "   FAIL  $what"
    failures=$((failures + 1))
  fi
}

run_core() {
  local build=build/windows-core log status=0 passed
  require "$build/CTestTestfile.cmake" "scripts/windows.sh core"
  fresh_prefix "$build"
  echo "== Core tests under Wine"
  log="$build/windows-test.log"
  ctest --preset windows-core --no-tests=error --verbose >"$log" 2>&1 || status=$?
  grep -E '^[0-9]+/[0-9]+ Test|tests passed|FAILED|Failure' "$log" || true
  # Each test program prints its own count of test cases.
  passed=$(sed -n 's/^[0-9]*: \[  PASSED  \] \([0-9]*\) tests\?\.$/\1/p' "$log" | awk '{ n += $1 } END { print n + 0 }')
  echo "== Test cases passed under Wine: ${passed:-0} (log: $log)"
  wineserver --kill >/dev/null 2>&1 || true
  [ "$status" -eq 0 ] || failures=$((failures + 1))
}

# --- The programs against the simulator -----------------------------------------------------

SIM=build/default/tools/vantor-scale-sim/vantor-scale-sim
LINUX_CLI=build/default/tools/vantor-cli/vantor-cli
SERVER=build/default/tools/vantor-server/vantor-server
work=""
sim_pid=""
pids=()

cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  [ -z "${WINEPREFIX:-}" ] || wineserver --kill 2>/dev/null || true
  [ -z "$work" ] || [ -n "${VANTOR_KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

# Starts a simulated scale keeping its memory in $work/NAME.bin, reached as COM5 (and as the
# pseudo-terminal itself, for the Linux vantor-cli in $PORT). It varies what the protocol leaves
# open now and then (--vary), so that the run cannot pass only because the scale answers as expected.
# SIM_COM=com2 puts it behind COM2 instead.
sim_start() {
  local name=$1
  shift
  "$ROOT/$SIM" --vary --memory "$work/$name.bin" "$@" >"$work/$name.out" 2>"$work/$name.err" &
  sim_pid=$!
  pids+=("$sim_pid")
  for _ in $(seq 200); do [ -s "$work/$name.out" ] && break; sleep 0.05; done
  PORT=$(head -1 "$work/$name.out")
  ln -sfn "$PORT" "$work/${SIM_COM:-com5}"
}

# Ends the simulated scale, which writes its memory as it ends (a power cut has ended it already).
sim_stop() {
  kill -TERM "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" || true
}

# vantor-cli.exe, its stderr (and with quiet_cli its stdout too) kept in build/windows.
CLI_LOG=build/windows/windows-test-cli.log
cli_exe() { wine "$ROOT/build/windows/tools/vantor-cli/vantor-cli.exe" "$@" 2>>"$ROOT/$CLI_LOG"; }
quiet_cli() { cli_exe "$@" >>"$ROOT/$CLI_LOG"; }

# The 65,536-byte memories $1 and $2 are equal in bytes [$3, $3 + $4).
same_range() {
  cmp -s <(tail -c +$(($3 + 1)) "$1" | head -c "$4") <(tail -c +$(($3 + 1)) "$2" | head -c "$4")
}

# Wine finds the Qt and compiler DLLs through WINEPATH while they are not installed beside the
# programs; the COM port is mapped once, to a symlink that each simulator then points to itself.
app_prefix() {
  local qt dlls=()
  require build/windows/tools/vantor-cli/vantor-cli.exe "scripts/windows.sh app"
  require "$SIM" "scripts/setup.sh"
  qt=$(realpath "$(sed -n 's/^Qt6_DIR:PATH=//p' build/windows/CMakeCache.txt)/../../..")
  for dll in libstdc++-6.dll libwinpthread-1.dll; do
    dlls+=("$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=$dll)")")")
  done
  export WINEPATH="$qt/bin;${dlls[0]};${dlls[1]}"
  fresh_prefix build/windows
  wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$work/com5" /f >/dev/null 2>&1
  # COM1 and COM2 as the update form's "PC Port" items name them: COM1 leads nowhere, COM2 to a
  # simulator of its own when a part starts one there.
  wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$work/com1" /f >/dev/null 2>&1
  wine reg add 'HKLM\Software\Wine\Ports' /v COM2 /d "$work/com2" /f >/dev/null 2>&1
  # Each part starts as a new user would: no stored serial number, journals or history.
  wine reg delete 'HKCU\Software\VantorUSA_PCProgram' /f >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Local/VantorUSA_PCProgram
  wineserver --kill >/dev/null 2>&1 || true
  wineserver --wait >/dev/null 2>&1
}

run_cli() {
  local serial image
  echo "== vantor-cli.exe against vantor-scale-sim on COM5 (output: $CLI_LOG)"
  app_prefix
  : >"$CLI_LOG"
  cp tests/fixtures/hex/sample-update.hex tests/fixtures/zones/chart-606.txt "$work/"
  printf '16,$2.50\n32,$3.10\n' >"$work/rates.csv"
  cd "$work"

  local ports
  ports=$(VANTOR_SERIAL_PORTS='COM12;COM7' cli_exe ports | tr -d '\r' | grep -xE 'COM(5|7|12)' | paste -sd' ')
  check "ports: the system's and VANTOR_SERIAL_PORTS's in number order: $ports" test "$ports" = "COM5 COM7 COM12"
  ports=$(cli_exe ports --only-ports 'COM12;COM7' | tr -d '\r' | paste -sd' ')
  check "ports --only-ports: those and no others: $ports" test "$ports" = "COM7 COM12"

  sim_start flash --serial 24681357
  serial=$(cli_exe serial --port COM5 2>/dev/null | tr -d '\r')
  check "serial: $serial" test "$serial" = 24681357
  check "flash of the sample update" quiet_cli flash sample-update.hex --port COM5
  sim_stop
  "$ROOT/$LINUX_CLI" image sample-update.hex --output image.bin --serial 24681357
  check "the scale's memory is the image vantor-cli image builds" cmp -s flash.bin image.bin

  # The same key, zones and backup on two scales, one through Linux's vantor-cli, one through the
  # Windows one: the same memory and the same backup file.
  sim_start linux
  "$ROOT/$LINUX_CLI" key 1 --unit oz --table rates.csv --port "$PORT" --yes >/dev/null 2>&1
  "$ROOT/$LINUX_CLI" zones chart-606.txt --port "$PORT" --yes >/dev/null 2>&1
  "$ROOT/$LINUX_CLI" backup linux-tables.hex --port "$PORT" >/dev/null 2>&1
  sim_stop
  sim_start windows
  check "key 1" quiet_cli key 1 --unit oz --table rates.csv --port COM5 --yes
  check "zones" quiet_cli zones chart-606.txt --port COM5 --yes
  check "backup" quiet_cli backup tables.hex --port COM5
  sim_stop
  check "key and zones leave the memory Linux's vantor-cli leaves" cmp -s windows.bin linux.bin
  check "the backup is Linux's backup" cmp -s tables.hex linux-tables.hex

  sim_start restored
  check "restore on a blank scale" quiet_cli restore tables.hex --port COM5 --yes
  sim_stop
  check "the restored tables are the backed-up ones" same_range restored.bin linux.bin $((0x8000)) $((0x1200))

  # As a Windows user meets it: help in the system's terms, a port that is not there named as
  # such, the history in the one data folder, with paths written as Windows writes them.
  local help data
  help=$(cli_exe --help | tr -d '\r')
  check "--help names COM ports, ';' between them and LOCALAPPDATA" \
    test -n "$(grep -F 'COM3' <<<"$help")" -a -n "$(grep -F ';' <<<"$help")" -a -n "$(grep -F 'LOCALAPPDATA' <<<"$help")"
  status=0
  wine "$ROOT/build/windows/tools/vantor-cli/vantor-cli.exe" serial --port COM9 >/dev/null 2>missing.err || status=$?
  check "a port that is not there: $(tr -d '\r' <missing.err | tail -1)" \
    test "$status" -ne 0 -a -n "$(grep -F 'there is no COM9 on this computer' missing.err)"
  data=$(find "$WINEPREFIX/drive_c/users" -maxdepth 5 -path '*AppData/Local/VantorUSA_PCProgram/VantorUSA_PCProgram' | head -1)
  check "one data folder, with the update history: ${data#"$WINEPREFIX/"}" test -n "$data" -a -n "$(ls "$data" | grep -i history)"
  check "paths in the output are written with backslashes" test -z "$(grep -E '[A-Za-z]:/' "$ROOT/$CLI_LOG")"

  # A second program is refused the port the first one holds (Wine itself would let it in).
  sim_start held --fault delay:read:nth=1:ms=5000 --verbose
  cli_exe serial --port COM5 >held-first.out &
  local first=$! status=0
  for _ in $(seq 100); do grep -q read "$work/held.err" 2>/dev/null && break; sleep 0.05; done
  wine "$ROOT/build/windows/tools/vantor-cli/vantor-cli.exe" serial --port COM5 2>held-second.err >/dev/null ||
    status=$?
  check "a second program on the port exits 1 (got $status): $(tr -d '\r' <held-second.err)" \
    test "$status" -eq 1 -a -n "$(grep "in use by another run" held-second.err)"
  wait "$first" || true
  sim_stop
  check "  ... and the first one gets its answer" grep -q 12345678 held-first.out

  # A lost reply is asked again; a refused unlock ends the run before any page is written.
  sim_start lost --serial 24681357 --fault lose:write:nth=5
  check "flash with a lost reply" quiet_cli flash sample-update.hex --port COM5
  sim_stop
  check "  ... and the memory is the image" cmp -s lost.bin image.bin
  cp linux.bin refused.bin
  sim_start refused --fault refuse:unlock
  status=0
  quiet_cli flash sample-update.hex --port COM5 || status=$?
  sim_stop
  check "flash on a refused unlock exits 1 (got $status)" test "$status" -eq 1
  check "  ... and the scale is as it was" cmp -s refused.bin linux.bin

  # An update cut short by a power cut: resume without a console takes No, says so and names
  # --yes; with --yes it finishes the update from the journal.
  sim_start resumed --serial 24681357 --fault power-cut:write:nth=40
  status=0
  quiet_cli flash sample-update.hex --port COM5 || status=$?
  sim_stop
  check "flash cut short by a power cut exits 1 (got $status)" test "$status" -eq 1
  sim_start resumed --serial 24681357
  status=0
  wine "$ROOT/build/windows/tools/vantor-cli/vantor-cli.exe" resume --port COM5 </dev/null >/dev/null \
    2>unanswered.err || status=$?
  check "resume with no console exits 1 (got $status): $(tr -d '\r' <unanswered.err | tail -1)" \
    test "$status" -eq 1 -a -n "$(grep -F 'Answered No: no terminal (use --yes).' unanswered.err)"
  check "resume --yes finishes the update" quiet_cli resume --port COM5 --yes </dev/null
  sim_stop
  check "  ... and the memory is the image" cmp -s resumed.bin image.bin
  cd "$ROOT"
  wineserver --kill >/dev/null 2>&1 || true
}

run_gui() {
  require "$SERVER" "scripts/setup.sh"
  if [ -z "${VANTOR_IN_XVFB:-}" ]; then
    bash scripts/install-packages.sh xvfb xauth xdotool xclip imagemagick
    VANTOR_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" gui | grep -v '^== 0 failed$' ||
      failures=$((failures + 1))
    return
  fi
  echo "== vantor-pc.exe under Xvfb to the main menu"
  app_prefix
  local server log=$work/pc.log shot=build/windows/main-menu.png
  sim_start gui
  mkdir -p "$work/www"
  "$SERVER" --root "$work/www" --software-update N >"$work/server.out" 2>/dev/null &
  pids+=($!)
  for _ in $(seq 200); do [ -s "$work/server.out" ] && break; sleep 0.05; done
  server=$(head -1 "$work/server.out")
  VANTOR_ONLY_PORTS=COM5 VANTOR_WEB_SERVER="$server" VANTOR_DOWNLOAD_SERVER="$server" VANTOR_PROBE_URL="$server/probe" \
    wine build/windows/src/vantor-pc.exe --log-file "$(winepath -w "$log" 2>/dev/null)" >/dev/null 2>&1 &
  pids+=($!)
  # The splash shows the logo: the pictures are drawn (as PNG, since this Qt has no SVG).
  check "the splash is shown" wait_logged "$log" "frmStartUp on screen"
  import -window root build/windows/start-up.png
  echo "   picture: build/windows/start-up.png"
  check "the port form is shown" wait_logged "$log" "frmChoosePort on screen"
  xdotool windowfocus --sync "$(xdotool search --sync --name "Connect Scale to Computer" | head -1)" key alt+c
  check "the main menu is shown after the scale was found on COM5" wait_logged "$log" "frmWelcome on screen"
  sleep 1  # the menu's banner and version check settle before the picture
  import -window root "$shot"
  echo "   picture: $shot"
  gui_zones "$log"
  gui_port_items "$log" "$server"
}

# A zone chart pasted and written from the menu, as a user does it with the keyboard; back at the
# menu the program has let the port go, so that vantor-cli.exe gets it.
gui_zones() {
  local log=$1 serial
  echo "== A zone chart pasted and written in vantor-pc.exe"
  xclip -selection clipboard -i <tests/fixtures/zones/chart-606.txt
  press_in "Welcome to Vantor PC Program!" alt+p
  press_in "Choose What To Program" alt+z
  press_in "Program Zip/Zone" alt+a
  sleep 0.5  # the pasted chart is read before Program looks at it
  press_in "Program Zip/Zone" alt+p
  check "the chart is read: one question before writing" answer_box "$log" "Confirm Zip/Zone Programming" alt+y
  check "the zone table is written and verified" answer_box "$log" "Zip/Zone programming successful!" Return
  import -window root build/windows/zones-written.png
  press_in "Program Zip/Zone" alt+c
  check "back at the main menu" wait_logged "$log" "frmWelcome on screen" 2
  serial=$(cli_exe serial --port COM5 </dev/null | tr -d '\r')
  check "vantor-cli.exe reads the scale while vantor-pc.exe waits at the menu: $serial" test "$serial" = 12345678
}

# The update form's "PC Port" items open the ports their captions name. The scale found on COM5
# refuses the update; the user tries the other ports: COM1 is not the scale's, COM2 has the scale,
# and Retry updates the scale there.
gui_port_items() {
  local log=$1 server=$2 refusing
  echo "== The update form's PC Port items"
  mkdir -p "$work/www/VantorDownload"
  cp tests/fixtures/hex/maker-update.hex "$work/www/VantorDownload/VantorUSA_APROM.hex"
  sim_stop
  sim_start refusing --fault refuse:unlock
  refusing=$sim_pid
  SIM_COM=com2 sim_start moved
  press_in "Welcome to Vantor PC Program!" alt+u
  press_in "Update Scale" ctrl+a
  xdotool type --delay 20 "$server/VantorDownload/VantorUSA_APROM.hex"
  xdotool key Return
  press_in "Successful Download" alt+u
  check "the update of the scale on COM5 is refused" answer_box "$log" "Serial number wrong" Return
  kill -TERM "$refusing"
  # Wine gives every COM port a device (COM1 here: /dev/null), so COM1 opens but is no serial line.
  press_in "Vantor Scale Update" alt+p Return
  check "PC Port > COM1 opens COM1, which is no serial line here" answer_box "$log" "Cannot open COM1: " Return
  import -window root build/windows/pc-port-com1.png
  press_in "Vantor Scale Update" alt+p Down Return
  sleep 1  # the port is opened on the program's scale thread
  press_in "Vantor Scale Update" alt+t
  check "PC Port > COM2, then Retry: the update ends on the final screen" wait_logged "$log" "frmSuccessUpdate on screen"
  import -window root build/windows/updated-on-com2.png
  sim_stop
  "$ROOT/$LINUX_CLI" image tests/fixtures/hex/maker-update.hex --output "$work/maker-image.bin" --serial 12345678
  check "  ... and the memory of the scale on COM2 is the update's image" cmp -s "$work/moved.bin" "$work/maker-image.bin"
}

# Presses KEYS in the window titled TITLE once it is on screen (up to 60 s).
press_in() {
  local title=$1 window
  shift
  window=$(timeout 60 xdotool search --sync --onlyvisible --name "^${title}\$" | head -1) || true
  if [ -z "$window" ]; then
    echo "   (no window \"$title\" on screen)"
    return 1
  fi
  xdotool windowfocus --sync "$window" key --delay 100 "$@"
}

# Waits for the message box whose title or text holds TEXT, then presses KEY in it.
answer_box() {
  local log=$1 text=$2 key=$3 title
  wait_logged "$log" "$text" || return 1
  title=$(grep -F "$text" "$log" | grep -F 'message box "' | tail -1 | sed 's/.*message box "\([^"]*\)".*/\1/')
  press_in "$title" "$key"
}

# The installer's pages as a user meets them, clicked through with the mouse (pictures in
# build/windows/installer-N.png): the licence, the desktop shortcut ticked, and "Run Vantor PC
# Program" on the last page starting the program. Then the uninstaller by hand, which removes the
# program's own files and says that the backups stay.
install_by_hand() {
  local installer=$1 window installed data
  echo "== The installer, page by page"
  unset WINEPATH
  export WINEPREFIX="$work/by-hand-prefix"
  wineboot --init >/dev/null 2>&1
  installed="$WINEPREFIX/drive_c/Program Files/Vantor PC Program"
  data="$WINEPREFIX/drive_c/users/$(whoami)/AppData/Local/VantorUSA_PCProgram"
  wine "$installer" >/dev/null 2>&1 &
  pids+=($!)
  timeout 60 xdotool search --sync --onlyvisible --name "^Vantor PC Program Setup$" >/dev/null || true
  sleep 1
  window=$(largest_window "^Vantor PC Program Setup$")
  check "the installer's window is on screen" test -n "$window"
  [ -n "$window" ] || return 0
  # Places in NSIS's window, which has the same size on every screen.
  local next="422 338" desktop_box="32 210"
  picture_then_click "$window" 1 $next            # welcome
  picture_then_click "$window" 2 $next            # the licence: I Agree
  picture_then_click "$window" 0 $desktop_box     # options: a desktop shortcut
  picture_then_click "$window" 3 $next
  picture_then_click "$window" 0 $next            # the folder
  picture_then_click "$window" 0 $next            # the Start menu folder: Install
  wait_for_file "$installed/Uninstall.exe" && sleep 2
  picture_then_click "$window" 4 $next            # "Run Vantor PC Program" is ticked: Finish
  check "Finish starts the program" wait_logged "$data/VantorUSA_PCProgram/support.log" "frmStartUp on screen"
  check "the desktop shortcut" test -n "$(find "$WINEPREFIX/drive_c/users" -path '*Desktop*' -name 'Vantor PC Program.lnk')"
  check "Add/Remove Programs lists it: $(wine uninstaller --list 2>/dev/null | tr -d '\r' | grep -F 'Vantor PC Program')" \
    test -n "$(wine uninstaller --list 2>/dev/null | grep -F 'Vantor PC Program')"
  wine taskkill /f /im vantor-pc.exe >/dev/null 2>&1 || true

  # A backup of a scale's tables, as an update leaves one.
  echo ":00000001FF" >"$data/VantorUSA_PCProgram/Tables-12345678-20261210-120000.hex"
  wine "$installed/Uninstall.exe" >/dev/null 2>&1 &
  local title="^Vantor PC Program Uninstall *$" windows  # NSIS ends it with a blank
  timeout 60 xdotool search --sync --onlyvisible --name "$title" >/dev/null || true
  sleep 2  # a click on a page not yet drawn is lost
  windows=$(windows_titled "$title")
  picture_then_click "$(largest_window "$title")" 5 $next    # Uninstall
  for _ in $(seq 100); do
    [ "$(windows_titled "$title")" -gt "$windows" ] && break
    sleep 0.1
  done
  import -window root build/windows/installer-6.png
  check "the uninstaller says where the backups stay (a box of its own)" \
    test "$(windows_titled "$title")" -gt "$windows"
  # OK in the box, which stands at the same place over the uninstaller's page.
  xdotool mousemove --window "$(largest_window "$title")" 292 216 click 1
  # The uninstaller itself is the last file it removes.
  for _ in $(seq 300); do [ -e "$installed/Uninstall.exe" ] || break; sleep 0.1; done
  check "  ... and they stay, while its support log is gone" \
    test -e "$data/VantorUSA_PCProgram/Tables-12345678-20261210-120000.hex" -a ! -e "$data/VantorUSA_PCProgram/support.log"
  check "  ... and the program and its entries are gone" \
    test ! -e "$installed/bin/vantor-pc.exe" -a -z "$(find "$WINEPREFIX/drive_c" -name 'Vantor PC Program*.lnk')"
  wineserver --kill >/dev/null 2>&1 || true
}

# Takes the screen's picture as build/windows/installer-N.png (N > 0), then clicks at X Y in WINDOW.
picture_then_click() {
  sleep 1
  [ "$2" -eq 0 ] || import -window root "build/windows/installer-$2.png"
  xdotool mousemove --window "$1" "$3" "$4" click 1
}

# How many windows on screen have a title that matches TITLE.
windows_titled() {
  { xdotool search --onlyvisible --name "$1" || true; } | wc -l
}

# The largest window on screen whose title matches TITLE: NSIS keeps small ones of the same name.
largest_window() {
  local id largest="" area=0 WIDTH=0 HEIGHT=0
  for id in $(xdotool search --onlyvisible --name "$1" || true); do
    eval "$(xdotool getwindowgeometry --shell "$id" | grep -E '^(WIDTH|HEIGHT)=')"
    if [ $((WIDTH * HEIGHT)) -gt "$area" ]; then
      area=$((WIDTH * HEIGHT))
      largest=$id
    fi
  done
  echo "$largest"
}

wait_for_file() {
  for _ in $(seq 600); do
    [ -e "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

# Waits up to 60 s for TEXT in the log, COUNT times (default once).
wait_logged() {
  for _ in $(seq 600); do
    [ "$(grep -cF "$2" "$1" 2>/dev/null || true)" -ge "${3:-1}" ] 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

run_installer() {
  local installer installed version
  installer=$(ls build/windows/vantor-pc-*-win64.exe 2>/dev/null | head -1)
  require "${installer:-build/windows/vantor-pc-VERSION-win64.exe}" "scripts/windows.sh installer"
  if [ -z "${VANTOR_IN_XVFB:-}" ]; then
    bash scripts/install-packages.sh xvfb xauth xdotool imagemagick
    VANTOR_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" installer | grep -v '^== 0 failed$' ||
      failures=$((failures + 1))
    return
  fi
  install_by_hand "$installer"
  echo "== The installer, installed silently"
  unset WINEPATH
  export WINEPREFIX="$work/install-prefix"
  wineboot --init >/dev/null 2>&1
  wine "$installer" /S
  wineserver --wait >/dev/null 2>&1
  installed="$WINEPREFIX/drive_c/Program Files/Vantor PC Program"
  version=$(wine "$installed/bin/vantor-cli.exe" --version 2>&1 | tr -d '\r' || true)
  check "installed vantor-cli.exe --version: $version" test "$version" = "vantor-cli $(sed -n 's/^project(VantorPC VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
  check "the Start menu entries" test -n "$(find "$WINEPREFIX/drive_c" -path '*Start Menu*Vantor PC Program*' -name '*.lnk')"
  # The uninstaller takes away the program, its entries and the folders left empty.
  wine "$installed/Uninstall.exe" /S
  wineserver --wait >/dev/null 2>&1
  for _ in $(seq 100); do [ -e "$installed/bin/vantor-cli.exe" ] || break; sleep 0.1; done
  check "uninstalled: no program, no Start menu entries" \
    test ! -e "$installed/bin/vantor-cli.exe" -a -z "$(find "$WINEPREFIX/drive_c" -path '*Start Menu*Vantor PC Program*' -name '*.lnk')"
  wineserver --kill >/dev/null 2>&1 || true
}

work=$(mktemp -d -t vantor-windows-test.XXXXXX)
[ -z "${VANTOR_KEEP_WORK:-}" ] || echo "== Files kept in $work"
for part in "${parts[@]}"; do
  case "$part" in
    core) run_core ;;
    cli) run_cli ;;
    gui) run_gui ;;
    installer) run_installer ;;
    *)
      echo "unknown part '$part' (core, cli, gui, installer)" >&2
      exit 2
      ;;
  esac
done
echo "== $failures failed"
[ "$failures" -eq 0 ]
