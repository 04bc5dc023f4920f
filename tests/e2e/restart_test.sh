#!/bin/bash
# The restart at the end of a quiet installation, for real, each case in a prefix of its
# own (a restart ends every process of its prefix): a bystander window records the
# end-session messages it gets.
# Usage: restart_test.sh BUILD_DIR VARIANT_DIR bystander.exe
# The variants are those of the build under test (product_file of wine-lib.sh).
set -u
build="$1" variants="$2" bystander="$3"
source "$(dirname "$0")/../harness/wine-lib.sh" "$build"
variants=$(product_file "$variants")
passed=0 failed=0

# run_case NAME VARIANT EXPECT(restart|none) CODE (the exit code as the host sees it:
# its low eight bits, 105 for 1641, 194 for 3010)
run_case() {
  local name="$1" variant="$2" expect="$3" code="$4" ok=1 status
  new_own_prefix "restart-$name"
  local log="$WINEPREFIX/drive_c/bystander.txt"
  setsid "$WINE" "$bystander" 'C:\bystander.txt' </dev/null >/dev/null 2>&1 &
  local bystander_pid=$!
  wait_for 60 grep -q '^ready' "$log" 2>/dev/null || { echo "$name: the bystander did not start"; ok=0; }
  "$WINE" "$variants/$variant.exe" </dev/null >/dev/null 2>&1
  status=$?
  echo "$name: $variant ended with exit code $status"
  [ "$status" = "$code" ] || { echo "$name: exit code $status, not $code"; ok=0; }
  if [ "$expect" = restart ]; then
    wait_for 60 bash -c "! kill -0 $bystander_pid 2>/dev/null" || { echo "$name: the bystander still runs"; ok=0; }
    grep -qx 'WM_ENDSESSION 1' "$log" || { echo "$name: no WM_ENDSESSION with the session ending"; ok=0; }
  else
    sleep 2
    kill -0 "$bystander_pid" 2>/dev/null || { echo "$name: the bystander was ended"; ok=0; }
    grep -q 'ENDSESSION' "$log" && { echo "$name: end-session messages were sent"; ok=0; }
  fi
  # Either way the installation itself is complete.
  grep -q '^INSTOPTS=12' "$WINEPREFIX/drive_c/windows/win.ini" || { echo "$name: no installation record"; ok=0; }
  drop_own_prefix
  if [ $ok = 1 ]; then echo "$name: passed"; passed=$((passed + 1)); else echo "$name: FAILED"; failed=$((failed + 1)); fi
}

run_case allowed setup_quiet_reboot restart 105
run_case forbidden setup_quiet_default none 194
echo "$passed passed, $failed failed"
[ $failed = 0 ]
