# Wine prefixes, the X display and wineservers for the tests and the tools that run setup
# under Wine: wine-run.sh, wine-stop.sh, the shell tests, tools/screenshots.sh and
# tools/run-setup.sh all take them from here.
# Usage: source wine-lib.sh [BUILD_DIR]
#   With BUILD_DIR, the build's harness settings are read from BUILD_DIR/harness.env (written
#   by tests/CMakeLists.txt): NX_TEST_ROOT (display, template and prefixes of the tests),
#   NX_HARNESS_BIN (keepalive.exe, holdfile.exe), NX_TEST_DISPLAY (a fixed display
#   number, normally empty: a free one is picked at run time) and NX_TARGET_ARCH.
# Two settings of the environment (tools/run-tests.sh --product sets both) run the tests
# of BUILD_DIR against the programs of another build:
#   NX_PRODUCT_BUILD  the build whose programs the tests start (default: BUILD_DIR); its
#                     harness.env gives the test root, the helpers and the architecture,
#                     since a helper that loads a product DLL must share its architecture
#   NX_WINE_ROOT      a chroot (tools/wow64-root.sh) whose WoW64 Wine 10 runs everything,
#                     32-bit programs as on 64-bit Windows; empty: Debian 12's Wine 8,
#                     which runs 64-bit programs only
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winedbg.exe=d;winemenubuilder.exe=d;mscoree,mshtml="
NX_TEST_DISPLAY=""
NX_TARGET_ARCH=x86_64
# Display numbers are searched from here up, clear of the low numbers of real sessions.
NX_FIRST_DISPLAY=90

if [ -n "${1:-}" ]; then
  [ -f "$1/harness.env" ] || { echo "no $1/harness.env: configure that build first" >&2; exit 2; }
  source "$1/harness.env"
  NX_TEST_BUILD=$(cd "$1" && pwd)
  NX_PRODUCT_BUILD=$(cd "${NX_PRODUCT_BUILD:-$1}" 2>/dev/null && pwd) ||
    { echo "NX_PRODUCT_BUILD: no folder $NX_PRODUCT_BUILD" >&2; exit 2; }
  if [ "$NX_PRODUCT_BUILD" != "$NX_TEST_BUILD" ]; then
    [ -f "$NX_PRODUCT_BUILD/harness.env" ] ||
      { echo "no $NX_PRODUCT_BUILD/harness.env: configure that build with NX_BUILD_E2E_PROGRAMS" >&2; exit 2; }
    source "$NX_PRODUCT_BUILD/harness.env"
  fi
  export NX_PRODUCT_BUILD
fi

NX_WINE_ROOT="${NX_WINE_ROOT:-}"
if [ -n "$NX_WINE_ROOT" ]; then
  # Wine of the chroot, called through wow64-wine.sh (it enters the chroot); paths under
  # the checkout are the same inside, the chroot's /tmp is its own.
  WINE="$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/wow64-wine.sh"
  WINESERVER="$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/wow64-wineserver.sh"
  export NX_WINE_ROOT
  # Prefixes of one Wine are no use to the other: the chroot's have a test root of their own.
  NX_TEST_ROOT="$NX_TEST_ROOT-wow64"
  [ -x "$NX_WINE_ROOT/usr/bin/wine" ] || { echo "NX_WINE_ROOT=$NX_WINE_ROOT holds no Wine (make wow64-root)" >&2; exit 2; }
else
  WINE=/usr/lib/wine/wine64
  WINESERVER=/usr/lib/wine/wineserver
  [ "$NX_TARGET_ARCH" = i686 ] &&
    { echo "the i686 programs of $NX_PRODUCT_BUILD need the WoW64 Wine of NX_WINE_ROOT (make test sets it)" >&2; exit 2; }
fi
# The registry view of the programs under test, for reg.exe: a 32-bit program on 64-bit
# Windows writes HKLM\Software and HKCR in the 32-bit view.
NX_REG_VIEW=""
[ "$NX_TARGET_ARCH" = i686 ] && NX_REG_VIEW=/reg:32

# product_file PATH: the same file of the build under test, for a file of BUILD_DIR (the
# shell tests' counterpart of ProductFile in testutil.h).
product_file() {
  case "$1" in
    "$NX_TEST_BUILD"/*) printf '%s' "$NX_PRODUCT_BUILD/${1#"$NX_TEST_BUILD"/}" ;;
    *) printf '%s' "$1" ;;
  esac
}

# wine_path PATH: where the Wine of the tests sees a host path under its root (for a
# path made under $NX_WINE_ROOT, such as a mount in the chroot's /tmp).
wine_path() { printf '%s' "${1#"$NX_WINE_ROOT"}"; }

# --- Display -------------------------------------------------------------------------
# An Xvfb server per state folder (the test root, for the tests): STATE/display holds its
# number and STATE/xvfb.pid its process while it runs.

# display_running STATE: 0 when the server of STATE still runs and listens.
display_running() {
  local n pid
  n=$(cat "$1/display" 2>/dev/null) && pid=$(cat "$1/xvfb.pid" 2>/dev/null) || return 1
  kill -0 "$pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]
}

# try_display N STATE: starts Xvfb on :N (NX_SCREEN_SIZE, 1024x768 unless set); 0 once it
# listens with its own lock file. It
# fails when another server (of another checkout, say) took :N first.
try_display() {
  local n="$1" state="$2" pid lock
  setsid Xvfb ":$n" -screen 0 "${NX_SCREEN_SIZE:-1024x768}x24" -nolisten tcp </dev/null >/dev/null 2>&1 8>&- &
  pid=$!
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || return 1
    lock=$(tr -d ' \n' 2>/dev/null < "/tmp/.X$n-lock")
    if [ -e "/tmp/.X11-unix/X$n" ] && [ "$lock" = "$pid" ]; then
      echo "$pid" > "$state/xvfb.pid"
      echo "$n" > "$state/display"
      return 0
    fi
    sleep 0.05
  done
  kill "$pid" 2>/dev/null
  return 1
}

# start_display STATE: the display of STATE, started on the first free number (no lock
# file, no socket) unless it runs already; exports DISPLAY. NX_TEST_DISPLAY fixes the number.
start_display() {
  local state="$1" n ok=1
  mkdir -p "$state"
  exec 8>"$state/display.lock"; flock 8
  if ! display_running "$state"; then
    rm -f "$state/display" "$state/xvfb.pid"
    if [ -n "${NX_TEST_DISPLAY:-}" ]; then
      n=$NX_TEST_DISPLAY
      rm -f "/tmp/.X11-unix/X$n" "/tmp/.X$n-lock"
      try_display "$n" "$state" || ok=0
    else
      ok=0
      for n in $(seq "$NX_FIRST_DISPLAY" $((NX_FIRST_DISPLAY + 200))); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        try_display "$n" "$state" && { ok=1; break; }
      done
    fi
  fi
  exec 8>&-
  [ $ok = 1 ] || { echo "no X display could be started (tried from :${NX_TEST_DISPLAY:-$NX_FIRST_DISPLAY})" >&2; return 1; }
  export DISPLAY=":$(cat "$state/display")"
}

# stop_display STATE: ends the display of STATE and frees its number.
stop_display() {
  local state="$1" pid n
  pid=$(cat "$state/xvfb.pid" 2>/dev/null) && kill "$pid" 2>/dev/null
  n=$(cat "$state/display" 2>/dev/null) &&
    for _ in $(seq 50); do [ -e "/tmp/.X$n-lock" ] || break; sleep 0.05; done
  rm -f "$state/xvfb.pid" "$state/display"
}

# --- Prefixes --------------------------------------------------------------------------

# new_prefix DIR: a new Wine prefix, whose windows close without a 2-second wait.
new_prefix() {
  WINEPREFIX="$1" "$WINE" wineboot -i </dev/null >/dev/null 2>&1 9>&-
  WINEPREFIX="$1" "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 9>&-
}

# make_template: the template prefix of the tests, made once under NX_TEST_ROOT; it also
# offers a command.com.
make_template() {
  local template="$NX_TEST_ROOT/template"
  mkdir -p "$NX_TEST_ROOT"
  exec 9>"$NX_TEST_ROOT/template.lock"; flock 9
  if ! [ -f "$template/.ready" ]; then
    rm -rf "$template"
    new_prefix "$template"
    WINEPREFIX="$template" "$WINESERVER" -w
    cp "$template/drive_c/windows/system32/cmd.exe" "$template/drive_c/windows/command.com"
    touch "$template/.ready"
  fi
  exec 9>&-
}

# copy_template PREFIX: PREFIX made anew as a copy of the template.
copy_template() {
  rm -rf "$1"
  cp -a "$NX_TEST_ROOT/template" "$1"
}

# use_null_graphics PREFIX: Wine's null graphics driver in PREFIX and no "PROGMAN"
# service. Wine 8 starts no service without a display, Wine 10 does (its desktop process
# offers it through shell32, which it loads late): the desktop process is kept from
# loading shell32, under both. The server ends so that the next start reads the settings.
use_null_graphics() {
  WINEPREFIX="$1" "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  WINEPREFIX="$1" "$WINE" reg add 'HKCU\Software\Wine\AppDefaults\explorer.exe\DllOverrides' /v shell32 /d "" /f >/dev/null 2>&1
  WINEPREFIX="$1" "$WINESERVER" -k 2>/dev/null
  WINEPREFIX="$1" "$WINESERVER" -w 2>/dev/null
}

# warm_prefix PREFIX: a persistent wineserver and, once the desktop is up, a keep-alive
# window in PREFIX, so that each test process starts in ~0.1 s; done once per server.
warm_prefix() {
  local prefix="$1"
  exec 6>"$prefix.warm.lock"; flock 6
  if ! [ -f "$prefix/.keepalive" ]; then
    WINEPREFIX="$prefix" setsid "$WINESERVER" -p </dev/null >/dev/null 2>&1 6>&- &
    # Boot the prefix's services with detached output, so that they never hold a
    # caller's output pipe.
    WINEPREFIX="$prefix" "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 6>&-
    if [ -x "$NX_HARNESS_BIN/keepalive.exe" ]; then
      # A program started before the desktop is up may fail to create its windows.
      rm -f "$prefix/drive_c/keepalive.up"
      WINEPREFIX="$prefix" setsid "$WINE" "$NX_HARNESS_BIN/keepalive.exe" 'C:\keepalive.up' \
        </dev/null >/dev/null 2>&1 6>&- &
      for _ in $(seq 300); do [ -f "$prefix/drive_c/keepalive.up" ] && break; sleep 0.1; done
    fi
    touch "$prefix/.keepalive"
  fi
  exec 6>&-
}

# stop_prefix PREFIX: ends every process of PREFIX at once (see WINE.md: waiting for an
# idle prefix can take a minute).
stop_prefix() {
  WINEPREFIX="$1" "$WINESERVER" -k 2>/dev/null
  rm -f "$1/.keepalive"
}

# throwaway_session NAME: a new prefix and a display of its own under /tmp for a tool run
# outside the tests (make run, make bench); exports WINEPREFIX and DISPLAY, and removes
# both when the script ends.
throwaway_session() {
  export WINEPREFIX=$(mktemp -d "/tmp/nexfer-$1.XXXXXX")
  NX_SESSION_STATE=$(mktemp -d /tmp/nexfer-display.XXXXXX)
  trap 'stop_prefix "$WINEPREFIX"; stop_display "$NX_SESSION_STATE"; rm -rf "$WINEPREFIX" "$NX_SESSION_STATE"' EXIT
  start_display "$NX_SESSION_STATE" || exit 2
}

# new_own_prefix NAME: a throw-away prefix under the test root for a shell test, with the
# display up; sets WINEPREFIX and OWN_PREFIX, removed again by drop_own_prefix (at exit too).
new_own_prefix() {
  mkdir -p "$NX_TEST_ROOT/prefixes"
  start_display "$NX_TEST_ROOT" || exit 2
  make_template
  drop_own_prefix
  OWN_PREFIX="$NX_TEST_ROOT/prefixes/$1-$$"
  copy_template "$OWN_PREFIX"
  export WINEPREFIX="$OWN_PREFIX"
  trap drop_own_prefix EXIT
}

drop_own_prefix() {
  [ -n "${OWN_PREFIX:-}" ] || return 0
  stop_prefix "$OWN_PREFIX"
  rm -rf "$OWN_PREFIX"
}

# stop_harness: ends the wineserver of every test prefix and the template, then the display.
stop_harness() {
  local p
  for p in "$NX_TEST_ROOT"/prefixes/*/ "$NX_TEST_ROOT/template/"; do
    [ -d "$p" ] || continue
    stop_prefix "${p%/}"
    WINEPREFIX="${p%/}" "$WINESERVER" -w 2>/dev/null
  done
  stop_display "$NX_TEST_ROOT"
}

# wait_for SECONDS COMMAND...: polls every 0.1 s until COMMAND succeeds.
wait_for() {
  local limit=$(( $1 * 10 )); shift
  for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}
