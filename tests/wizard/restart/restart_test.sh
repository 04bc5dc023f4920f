#!/bin/bash
# RestartWindows for real, in a prefix of its own (a restart ends every process of its
# prefix): a bystander window records the end-session messages it gets, a run-once
# command shows that the restart work ran; then the prefix is stopped and removed.
# Usage: restart_test.sh BUILD_DIR restarter.exe bystander.exe
set -u
build="$1" restarter="$2" bystander="$3"
WINE=/usr/lib/wine/wine64
ROOT=$(sed -n 's/^ROOT="\(.*\)"$/\1/p' "$build/wine-run.sh")
DISPLAY_NUM=$(sed -n 's/^DISPLAY_NUM="\(.*\)"$/\1/p' "$build/wine-run.sh")
[ -n "$ROOT" ] && [ -n "$DISPLAY_NUM" ] || { echo "cannot read $build/wine-run.sh"; exit 2; }
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winedbg.exe=d;winemenubuilder.exe=d;mscoree,mshtml="
export DISPLAY=":$DISPLAY_NUM"

# The display and the template prefix, made as the harness makes them (same locks) when
# this test happens to come first.
start_display() {
  exec 8>"$ROOT/xvfb.lock"; flock 8
  if ! [ -e "/tmp/.X11-unix/X$DISPLAY_NUM" ] || ! kill -0 "$(cat "$ROOT/xvfb.pid" 2>/dev/null)" 2>/dev/null; then
    rm -f "/tmp/.X11-unix/X$DISPLAY_NUM" "/tmp/.X$DISPLAY_NUM-lock"
    setsid Xvfb ":$DISPLAY_NUM" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 8>&- &
    echo $! > "$ROOT/xvfb.pid"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$DISPLAY_NUM" ] && break; sleep 0.1; done
  fi
  exec 8>&-
}
make_template() {
  exec 9>"$ROOT/template.lock"; flock 9
  if ! [ -f "$ROOT/template/.ready" ]; then
    rm -rf "$ROOT/template"
    WINEPREFIX="$ROOT/template" "$WINE" wineboot -i </dev/null >/dev/null 2>&1 9>&-
    WINEPREFIX="$ROOT/template" "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 9>&-
    WINEPREFIX="$ROOT/template" /usr/lib/wine/wineserver -w
    cp "$ROOT/template/drive_c/windows/system32/cmd.exe" "$ROOT/template/drive_c/windows/command.com"
    touch "$ROOT/template/.ready"
  fi
  exec 9>&-
}
mkdir -p "$ROOT/prefixes"
start_display
make_template

prefix="$ROOT/prefixes/restart-$$"
cleanup() {
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null
  rm -rf "$prefix"
}
trap cleanup EXIT
rm -rf "$prefix"
cp -a "$ROOT/template" "$prefix"
export WINEPREFIX="$prefix"
log="$prefix/drive_c/bystander.txt"
work="$prefix/drive_c/restart-work.txt"

"$WINE" reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v nxrestart \
  /d 'cmd /c echo done>C:\restart-work.txt' /f </dev/null >/dev/null 2>&1

setsid "$WINE" "$bystander" 'C:\bystander.txt' </dev/null >/dev/null 2>&1 &
bystander_pid=$!
wait_for() {  # seconds, test command...
  local limit=$(( $1 * 10 )); shift
  for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}
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
