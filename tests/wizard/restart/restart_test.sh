#!/bin/bash
# RestartWindows for real, in a prefix of its own (a restart ends every process of its
# prefix): a bystander window records the end-session messages it gets, a run-once
# command shows that the restart work ran; then the prefix is stopped and removed.
# Usage: restart_test.sh BUILD_DIR restarter.exe bystander.exe
# The restarter (the program's own restart code) is that of the build under test.
set -u
build="$1" restarter="$2" bystander="$3"
source "$(dirname "$0")/../../harness/wine-lib.sh" "$build"
restarter=$(product_file "$restarter")
new_own_prefix restart
prefix="$WINEPREFIX"
log="$prefix/drive_c/bystander.txt"
work="$prefix/drive_c/restart-work.txt"

"$WINE" reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v nxrestart \
  /d 'cmd /c echo done>C:\restart-work.txt' /f </dev/null >/dev/null 2>&1

setsid "$WINE" "$bystander" 'C:\bystander.txt' </dev/null >/dev/null 2>&1 &
bystander_pid=$!
wait_for 60 grep -q '^ready' "$log" 2>/dev/null || { echo "FAIL: the bystander did not start"; exit 1; }

"$WINE" "$restarter" nt </dev/null >/dev/null 2>&1
echo "restarter exit code: $?"

gone() { ! kill -0 "$bystander_pid" 2>/dev/null; }
fail=0
wait_for 60 gone || { echo "FAIL: the bystander still runs after the restart"; fail=1; }
wait_for 30 test -f "$work" || { echo "FAIL: the run-once command of the restart did not run"; fail=1; }
echo "bystander recorded:"; sed 's/^/  /' "$log"
grep -qx 'WM_QUERYENDSESSION' "$log" || { echo "FAIL: no WM_QUERYENDSESSION"; fail=1; }
grep -qx 'WM_ENDSESSION 1' "$log" || { echo "FAIL: no WM_ENDSESSION with the session ending"; fail=1; }
[ $fail = 0 ] && echo "passed"
exit $fail
