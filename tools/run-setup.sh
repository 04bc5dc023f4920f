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

num="${DISPLAY:-}"; num="${num#*:}"; num="${num%%.*}"
if [ -n "${DISPLAY:-}" ] && [ -e "/tmp/.X11-unix/X$num" ]; then
  export WINEPREFIX="$build/run-prefix"
  [ -d "$WINEPREFIX" ] || { echo "Making the Wine prefix $WINEPREFIX ..."; new_prefix "$WINEPREFIX"; }
  echo "Running $build/setup.exe on display $DISPLAY"
  "$WINE" "$build/setup.exe"
  rc=$?
  echo "setup.exe ended with exit code $rc (low eight bits)"
  exit $(outcome $rc)
fi

throwaway_session run
echo "No display: quiet installation under Xvfb into the throw-away prefix $WINEPREFIX"
new_prefix "$WINEPREFIX"
"$WINE" "$build/setup_quiet.exe" </dev/null
rc=$?
echo "setup_quiet.exe ended with exit code $rc (low eight bits)"
bash "$(dirname "$0")/report-install.sh"
exit $(outcome $rc)
