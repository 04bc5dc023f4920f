#!/bin/bash
# Renders every wizard page and dialog under Xvfb into BUILD_DIR/screenshots/*.png, for
# a reviewer to look at. Uses the test harness of the build (display, template prefix);
# the display is stopped again when this script started it.
# Usage: screenshots.sh BUILD_DIR
set -u
build=$(cd "${1:?usage: screenshots.sh BUILD_DIR}" && pwd) || exit 2
driver="$build/tests/wizard/wizard_shots.exe"
[ -f "$driver" ] || { echo "missing $driver: build the tests first" >&2; exit 2; }
ROOT=$(sed -n 's/^ROOT="\(.*\)"$/\1/p' "$build/wine-run.sh")
DISPLAY_NUM=$(sed -n 's/^DISPLAY_NUM="\(.*\)"$/\1/p' "$build/wine-run.sh")
IMPORT=$(command -v import-im6.q16 || command -v import)
out="$build/screenshots"
prefix="$ROOT/prefixes/wizard_shots"
shots="$prefix/drive_c/shots"

display_up=0
kill -0 "$(cat "$ROOT/xvfb.pid" 2>/dev/null)" 2>/dev/null && display_up=1
finish() {
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null
  if [ $display_up = 0 ] && [ -f "$ROOT/xvfb.pid" ]; then
    kill "$(cat "$ROOT/xvfb.pid")" 2>/dev/null
    rm -f "$ROOT/xvfb.pid"
  fi
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
      "$IMPORT" -display ":$DISPLAY_NUM" -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
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

# The whole sequence with the real program: the background window with each page, an
# installation to its finish notice, then the removal.
sequence="$out/sequence"
rm -rf "$sequence"
mkdir -p "$sequence"
"$build/wine-run.sh" "$build/tests/e2e/e2e_shots.exe" "Z:${build//\//\\}\\setup.exe" \
  "Z:${sequence//\//\\}" </dev/null >"$out/sequence.log" 2>&1 &
sequence_pid=$!
capture $sequence_pid "$sequence"
wait $sequence_pid
[ -f "$sequence/finished" ] || { echo "the sequence stopped early; see $out/sequence.log" >&2; exit 1; }
rm -rf "$sequence"
echo "$count screenshots in $out"
