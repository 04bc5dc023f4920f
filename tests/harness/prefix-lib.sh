# Shared by the shell tests that need a Wine prefix of their own: reads the harness
# settings of a build, brings up the display and the template prefix the way the
# harness does (same locks), and makes and removes a throw-away prefix.
# Usage: source prefix-lib.sh BUILD_DIR; then new_own_prefix NAME (sets WINEPREFIX).
WINE=/usr/lib/wine/wine64
ROOT=$(sed -n 's/^ROOT="\(.*\)"$/\1/p' "$1/wine-run.sh")
DISPLAY_NUM=$(sed -n 's/^DISPLAY_NUM="\(.*\)"$/\1/p' "$1/wine-run.sh")
[ -n "$ROOT" ] && [ -n "$DISPLAY_NUM" ] || { echo "cannot read $1/wine-run.sh"; exit 2; }
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winedbg.exe=d;winemenubuilder.exe=d;mscoree,mshtml="
export DISPLAY=":$DISPLAY_NUM"

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

# wait_for SECONDS COMMAND...: polls every 0.1 s until COMMAND succeeds.
wait_for() {
  local limit=$(( $1 * 10 )); shift
  for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}

drop_own_prefix() {
  [ -n "${OWN_PREFIX:-}" ] || return 0
  WINEPREFIX="$OWN_PREFIX" /usr/lib/wine/wineserver -k 2>/dev/null
  rm -rf "$OWN_PREFIX"
}

new_own_prefix() {
  mkdir -p "$ROOT/prefixes"
  start_display
  make_template
  drop_own_prefix
  OWN_PREFIX="$ROOT/prefixes/$1-$$"
  rm -rf "$OWN_PREFIX"
  cp -a "$ROOT/template" "$OWN_PREFIX"
  export WINEPREFIX="$OWN_PREFIX"
  trap drop_own_prefix EXIT
}
