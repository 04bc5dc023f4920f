#!/bin/bash
# Runs the page checker at one DPI on a screen of its own size: a prefix whose LogPixels
# is that DPI, on an X display of that size, both made for this run and removed after it.
# Usage: layout_test.sh BUILD_DIR CHECKER.exe DPI WIDTHxHEIGHT
set -u
source "$(dirname "$(readlink -f "$0")")/../../harness/wine-lib.sh" "$1"
checker="$2" dpi="$3" screen="$4"
state="$NX_TEST_ROOT/layout-$dpi"
prefix="$NX_TEST_ROOT/prefixes/layout-$dpi"
NX_SCREEN_SIZE="$screen" start_display "$state" || exit 2
trap 'stop_prefix "$prefix"; stop_display "$state"' EXIT
make_template
copy_template "$prefix"
export WINEPREFIX="$prefix"
"$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
# The DPI is read when the prefix's server starts.
stop_prefix "$prefix"
"$WINESERVER" -w
warm_prefix "$prefix"
NX_TEST_DPI="$dpi" NX_TEST_SCREEN="$screen" "$WINE" "$checker" </dev/null
rc=$?
[ $rc = 0 ] && rm -rf "$prefix"
exit $rc
