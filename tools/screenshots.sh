#!/bin/bash
# Renders every wizard page and dialog under Xvfb into BUILD_DIR/screenshots/*.png, and
# again at 144 and 192 DPI into BUILD_DIR/screenshots/144 and 192, for a reviewer to look at, with the two programs of tools/screenshots. Uses the test
# harness of the build (tests/harness/wine-lib.sh: display, template prefix); the
# display is stopped again when this script started it.
# Usage: screenshots.sh BUILD_DIR
set -u
build=$(cd "${1:?usage: screenshots.sh BUILD_DIR}" && pwd) || exit 2
source "$(dirname "$0")/../tests/harness/wine-lib.sh" "$build"
programs="$build/tools/screenshots"
driver="$programs/wizard_shots.exe"
[ -f "$driver" ] || { echo "missing $driver: build the tests first" >&2; exit 2; }
IMPORT=$(command -v import-im6.q16 || command -v import)
out="$build/screenshots"
shots="$NX_TEST_ROOT/prefixes/wizard_shots/drive_c/shots"

display_up=0
display_running "$NX_TEST_ROOT" && display_up=1
start_display "$NX_TEST_ROOT" || exit 2
finish() {
  stop_prefix "$NX_TEST_ROOT/prefixes/wizard_shots"
  [ $display_up = 1 ] || stop_display "$NX_TEST_ROOT"
}
trap finish EXIT

mkdir -p "$out"
rm -f "$out"/*.png
rm -rf "$shots"
"$build/wine-run.sh" "$driver" </dev/null >"$out/driver.log" 2>&1 &
driver_pid=$!

# capture DRIVER_PID FOLDER: answers the driver's NAME.ready requests until it ends.
count=0
capture() {
  local pid="$1" folder="$2"
  while kill -0 "$pid" 2>/dev/null; do
    for ready in "$folder"/*.ready; do
      [ -f "$ready" ] || continue
      name=$(basename "$ready" .ready)
      read -r x y w h < "$ready"
      margin=8
      x=$(( x > margin ? x - margin : 0 )); y=$(( y > margin ? y - margin : 0 ))
      w=$(( w + 2 * margin )); h=$(( h + 2 * margin ))
      "$IMPORT" -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
      rm -f "$ready"
      touch "$folder/$name.go"
      count=$((count + 1))
      echo "$out/$name.png"
    done
    sleep 0.1
  done
}

capture $driver_pid "$shots"
wait $driver_pid
[ -f "$shots/finished" ] || { echo "the driver stopped early; see $out/driver.log" >&2; exit 1; }

# Every page once more at 144 and 192 DPI, each on a display of its own sized for that
# scale (1600x1200, 2048x1536), in a prefix whose LogPixels is that DPI: into
# BUILD_DIR/screenshots/DPI/.
all_out="$out"
for dpi_screen in 144:1600x1200 192:2048x1536; do
  dpi=${dpi_screen%%:*}
  out="$all_out/$dpi"
  mkdir -p "$out"
  rm -f "$out"/*.png
  state="$NX_TEST_ROOT/shots-$dpi"
  prefix="$NX_TEST_ROOT/prefixes/wizard_shots-$dpi"
  main_display="$DISPLAY"
  NX_SCREEN_SIZE=${dpi_screen#*:} start_display "$state" || exit 2
  copy_template "$prefix"
  WINEPREFIX="$prefix" "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
    >/dev/null 2>&1
  stop_prefix "$prefix"
  WINEPREFIX="$prefix" "$WINESERVER" -w
  warm_prefix "$prefix"
  WINEPREFIX="$prefix" "$WINE" "$driver" </dev/null >"$out/driver.log" 2>&1 &
  driver_pid=$!
  capture $driver_pid "$prefix/drive_c/shots"
  wait $driver_pid
  finished=0
  [ -f "$prefix/drive_c/shots/finished" ] && finished=1
  stop_prefix "$prefix"
  stop_display "$state"
  export DISPLAY="$main_display"
  [ $finished = 1 ] || { echo "the driver stopped early at $dpi DPI; see $out/driver.log" >&2; exit 1; }
  rm -rf "$prefix"
done
out="$all_out"

# The whole sequence with the real program: the background window with each page, an
# installation to its finish notice, then the removal.
sequence="$out/sequence"
rm -rf "$sequence"
mkdir -p "$sequence"
"$build/wine-run.sh" --fresh-prefix "$programs/e2e_shots.exe" "Z:${build//\//\\}\\setup.exe" \
  "Z:${sequence//\//\\}" </dev/null >"$out/sequence.log" 2>&1 &
sequence_pid=$!
capture $sequence_pid "$sequence"
wait $sequence_pid
[ -f "$sequence/finished" ] || { echo "the sequence stopped early; see $out/sequence.log" >&2; exit 1; }
rm -rf "$sequence"
echo "$count screenshots in $out"
