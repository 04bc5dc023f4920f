#!/bin/bash
# The main job: runs the built setup.exe on the sample product under Wine.
# With a display: the interactive wizard, in the prefix build/run-prefix (kept, so a later
# run can update or remove the installation). Without one: a quiet installation under
# Xvfb into a throw-away prefix, then a plain report of what was installed.
set -u
build="${1:?usage: run-setup.sh BUILD_DIR}"
build=$(cd "$build" && pwd)
WINE=/usr/lib/wine/wine64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winedbg.exe=d;winemenubuilder.exe=d;mscoree,mshtml="

new_prefix() {
  WINEPREFIX="$1" "$WINE" wineboot -i </dev/null >/dev/null 2>&1
  WINEPREFIX="$1" "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
}

num="${DISPLAY:-}"; num="${num#*:}"; num="${num%%.*}"
if [ -n "${DISPLAY:-}" ] && [ -e "/tmp/.X11-unix/X$num" ]; then
  export WINEPREFIX="$build/run-prefix"
  [ -d "$WINEPREFIX" ] || { echo "Making the Wine prefix $WINEPREFIX ..."; new_prefix "$WINEPREFIX"; }
  echo "Running $build/setup.exe on display $DISPLAY"
  "$WINE" "$build/setup.exe"
  rc=$?
  echo "setup.exe ended with exit code $rc"
  exit $rc
fi

display=99
while [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$display"
export WINEPREFIX=$(mktemp -d /tmp/nexfer-run.XXXXXX)
cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null
  kill $xvfb 2>/dev/null
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
echo "No display: quiet installation under Xvfb into the throw-away prefix $WINEPREFIX"
new_prefix "$WINEPREFIX"
"$WINE" "$build/setup_quiet.exe" </dev/null
rc=$?
echo "setup_quiet.exe ended with exit code $rc"
bash "$(dirname "$0")/report-install.sh"
exit $rc
