#!/bin/bash
# The main job: runs the built setup.exe on the sample product under Wine.
# With a display: the interactive wizard, in the prefix build/run-prefix (kept, so a later
# run can update or remove the installation). Without one: a quiet installation under
# Xvfb into a throw-away prefix, then a plain report of what was installed.
set -u
build="${1:?usage: run-setup.sh BUILD_DIR}"
build=$(cd "$build" && pwd)
# Wine's environment, new prefixes and a free display as the tests have them, without
# the settings of the tests themselves (their root and fixed display).
source "$(dirname "$0")/../tests/harness/wine-lib.sh" ""

# The host sees the low eight bits of the exit code: 194 is 3010 (complete, a restart is
# due) and 105 is 1641 (complete, restart started), both successes like 0.
outcome() { case "$1" in 0|194|105) echo 0 ;; *) echo "$1" ;; esac; }

# whole_code LOW: the program's whole exit code, from the setup log's last line ("Exit code
# N: ...") when it agrees with the low eight bits LOW, else the one code of the program's
# own list that has those low bits.
whole_code() {
  local log code
  log="$("$WINE" winepath -u "$("$WINE" cmd /c echo %TEMP% </dev/null 2>/dev/null | tr -d '\r')" 2>/dev/null | tr -d '\r')/setup.log"
  code=$(tr -d '\r' 2>/dev/null < "$log" | sed -n 's/^Exit code \(-\{0,1\}[0-9]*\):.*/\1/p' | tail -1)
  if [ -n "$code" ] && [ $(( code & 255 )) = "$1" ]; then echo "$code"; return; fi
  for code in 0 3010 1641 1602 1603 1605 1618 1639 3 -1 2 4; do
    [ $(( code & 255 )) = "$1" ] && { echo "$code"; return; }
  done
  echo "$1 (low eight bits)"
}

num="${DISPLAY:-}"; num="${num#*:}"; num="${num%%.*}"
if [ -n "${DISPLAY:-}" ] && [ -e "/tmp/.X11-unix/X$num" ]; then
  export WINEPREFIX="$build/run-prefix"
  [ -d "$WINEPREFIX" ] || { echo "Making the Wine prefix $WINEPREFIX ..."; new_prefix "$WINEPREFIX"; }
  echo "Running $build/setup.exe on display $DISPLAY"
  "$WINE" "$build/setup.exe"
  rc=$?
  echo "setup.exe ended with exit code $(whole_code $rc)"
  exit $(outcome $rc)
fi

throwaway_session run
echo "No display: quiet installation under Xvfb into the throw-away prefix $WINEPREFIX"
new_prefix "$WINEPREFIX"
"$WINE" "$build/setup_quiet.exe" </dev/null
rc=$?
echo "setup_quiet.exe ended with exit code $(whole_code $rc)"
bash "$(dirname "$0")/report-install.sh"
exit $(outcome $rc)
