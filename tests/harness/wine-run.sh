#!/bin/bash
# Runs a Windows test program under Wine; ctest calls it for every test case (and once to
# list a program's cases). CMake links it into the build folder, beside harness.env.
# Usage: wine-run.sh [--fresh-prefix] [--null-graphics] PROGRAM.exe [ARGS...]
#   By default every case of a program runs in the program's own prefix, copied from the
#   template on first use. --fresh-prefix gives each case a new prefix, removed again
#   after a pass. --null-graphics runs the program with Wine's null graphics driver and no
#   display. nx_add_test_program (tests/CMakeLists.txt) passes these options.
# Each prefix keeps a warm wineserver and a keep-alive window until wine-stop.sh. The
# program sees NX_TEST_PREFIX (its prefix), NX_HARNESS_BIN (the harness's programs), and
# NX_TEST_BUILD, NX_PRODUCT_BUILD and NX_PRODUCT_ARCH: its own build, the build whose
# programs it starts and their architecture (see wine-lib.sh; ProductFile and
# ProductRegistryView of testutil.h read them).
set -u
build=$(cd "$(dirname "$0")" && pwd)
source "$(dirname "$(readlink -f "$0")")/wine-lib.sh" "$build"

fresh=0 null=0
while [ $# -gt 0 ]; do
  case "$1" in
    --fresh-prefix) fresh=1; shift ;;
    --null-graphics) null=1; shift ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || { echo "usage: wine-run.sh [--fresh-prefix] [--null-graphics] program.exe [args]" >&2; exit 2; }
# A run against another build's programs runs only some programs' cases; ctest still lists
# every program's cases, each in a throw-away prefix rather than one kept for cases that
# never run there.
if [ "$NX_PRODUCT_BUILD" != "$NX_TEST_BUILD" ] && printf '%s\n' "$@" | grep -q -- '--gtest_list_tests'; then
  fresh=1
fi
name=$(basename "$1" .exe)
mkdir -p "$NX_TEST_ROOT/prefixes"

# make_test_prefix PREFIX: the template's copy, with the null driver when asked for.
make_test_prefix() {
  copy_template "$1"
  [ $null = 1 ] && use_null_graphics "$1"
  return 0
}

# The prefix of this run: one per program, or one per test case (by its filter).
choose_prefix() {
  local filter
  if [ $fresh = 0 ]; then
    prefix="$NX_TEST_ROOT/prefixes/$name"
    return
  fi
  filter=$(printf '%s\n' "$@" | sed -n 's/^--gtest_filter=//p' | head -1)
  if printf '%s\n' "$@" | grep -q -- '--gtest_list_tests'; then
    prefix="$NX_TEST_ROOT/prefixes/$name-list"
  elif [ -z "$filter" ]; then
    prefix="$NX_TEST_ROOT/prefixes/$name-run"
  else
    prefix="$NX_TEST_ROOT/prefixes/$name-$(printf '%s' "$filter" | tr -c 'A-Za-z0-9_.-' '_')"
  fi
}

# Runs the program once in its prefix; sets rc and leaves its output in $out.
run_once() {
  if [ $fresh = 1 ]; then
    stop_prefix "$prefix"
    make_test_prefix "$prefix"
  else
    exec 7>"$prefix.lock"; flock 7
    [ -f "$prefix/.ready" ] || { make_test_prefix "$prefix" && touch "$prefix/.ready"; }
    exec 7>&-
  fi
  warm_prefix "$prefix"
  # The program's output goes through a file: a process it leaves running (an editor
  # it opened, a helper) then cannot hold the caller's pipe open.
  WINEPREFIX="$prefix" NX_TEST_PREFIX="$prefix" NX_HARNESS_BIN="$NX_HARNESS_BIN" \
    NX_TEST_BUILD="$NX_TEST_BUILD" NX_PRODUCT_BUILD="$NX_PRODUCT_BUILD" NX_PRODUCT_ARCH="$NX_TARGET_ARCH" \
    "$WINE" "$@" </dev/null >"$out" 2>&1
  rc=$?
  if [ $fresh = 1 ]; then
    stop_prefix "$prefix"
    [ $rc = 0 ] && rm -rf "$prefix"
  fi
}

start_display "$NX_TEST_ROOT" || exit 2
make_template
[ $null = 1 ] && unset DISPLAY
choose_prefix "$@"
out=$(mktemp "$NX_TEST_ROOT/out.XXXXXX")
run_once "$@"
# Wine's loader now and then asserts in glibc (SIGABRT) or faults (SIGSEGV) while the
# process exits, after the program itself has finished, or Wine fails before the program
# printed anything: no result of the program in any of these cases, so run it once more.
# A fault of the program's own code is not among them: Wine catches it and the program
# ends with the exception's code (an access violation gives 5), never with a signal.
if [ $rc != 0 ] && { [ $rc = 134 ] || [ $rc = 139 ] || grep -q "Inconsistency detected by ld.so" "$out" ||
                     ! [ -s "$out" ]; }; then
  echo "(Wine failed outside the program, rc=$rc; running once more)" >&2
  run_once "$@"
fi
cat "$out"
rm -f "$out"
exit $rc
