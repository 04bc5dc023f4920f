#!/bin/bash
# Runs every test of a cross build under Wine; the test display and every wineserver of
# the test prefixes are shut down at the end, also when a test fails or hangs.
# Usage: run-tests.sh BUILD_DIR [-- CTEST_OPTIONS...]
#        run-tests.sh BUILD_DIR --product PRODUCT_BUILD --wine-root ROOT [-- CTEST_OPTIONS...]
#   The second form runs the end-to-end tests of BUILD_DIR (label e2e) against the
#   programs of PRODUCT_BUILD (the i686 build, configured with NX_BUILD_E2E_PROGRAMS)
#   under the WoW64 Wine of the chroot ROOT (tools/wow64-root.sh make ROOT). For the run,
#   /proc, /dev and the checkout (and a build folder outside it) are mounted into ROOT,
#   each at its own path; the mounts go again at the end, also on a failure or an
#   interrupt, and mounts a killed run left are removed before the run.
set -u
build="${1:?usage: run-tests.sh BUILD_DIR [--product PRODUCT_BUILD --wine-root ROOT]}"
shift
product="" root=""
while [ $# -gt 0 ]; do
  case "$1" in
    --product) product="$2"; shift 2 ;;
    --wine-root) root="$2"; shift 2 ;;
    --) shift; break ;;
    *) echo "run-tests.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
tools=$(cd "$(dirname "$(readlink -f "$0")")" && pwd)
build=$(cd "$build" && pwd) || exit 2
[ -z "$product" ] || product=$(cd "$product" && pwd) || exit 2
cd "$build" || exit 2

if [ -z "$product" ]; then
  trap './wine-stop.sh' EXIT INT TERM
  ctest -j "${NX_TEST_JOBS:-2}" --output-on-failure --timeout 300 "$@"
  exit
fi

[ -n "$root" ] || { echo "run-tests.sh: --product needs --wine-root" >&2; exit 2; }
source "$tools/wow64-root.sh"
root=$(readlink -m "$root")
[ -f "$root/.nx-ready" ] || { echo "run-tests.sh: no WoW64 chroot at $root (make wow64-root)" >&2; exit 2; }
[ "$(id -u)" = 0 ] || { echo "run-tests.sh: mounting into $root needs root" >&2; exit 2; }
checkout=$(dirname "$tools")
binds=("$checkout")
for d in "$build" "$product"; do
  case "$d/" in "$checkout"/*) ;; *) binds+=("$d") ;; esac
done

# One run at a time per chroot; whatever is mounted in it now was left by a killed run.
exec 5>"$root.lock"
flock 5
wow64_umount "$root" || exit 2
finish() {
  NX_PRODUCT_BUILD="$product" NX_WINE_ROOT="$root" ./wine-stop.sh
  wow64_umount "$root"
}
trap finish EXIT
trap 'exit 130' INT TERM
wow64_mount "$root" "${binds[@]}"
echo "Wine of $root: $(cat "$root/.nx-ready") (WoW64); programs under test: $product"

# Can this Wine run the programs under test at all? A 32-bit program under WoW64 needs a
# kernel that runs 32-bit (compat-mode) code in a 64-bit process; without it Wine makes
# prefixes without their 32-bit system folder and every 32-bit program dies at once.
probe() (
  export NX_PRODUCT_BUILD="$product" NX_WINE_ROOT="$root"
  source "$checkout/tests/harness/wine-lib.sh" "$build" || exit 2
  start_display "$NX_TEST_ROOT" || exit 2
  # A template made where 32-bit programs could not run lacks them for good: made again.
  [ "$NX_TARGET_ARCH" = i686 ] && [ -z "$(ls -A "$NX_TEST_ROOT/template/drive_c/windows/syswow64" 2>/dev/null)" ] &&
    rm -f "$NX_TEST_ROOT/template/.ready"
  make_template
  [ "$NX_TARGET_ARCH" = i686 ] || exit 0
  local prefix="$NX_TEST_ROOT/prefixes/probe-$$" out rc
  mkdir -p "$NX_TEST_ROOT/prefixes"
  copy_template "$prefix"
  out=$(WINEPREFIX="$prefix" "$WINE" "$product/setupkit.exe" 2>&1 </dev/null)
  rc=$?
  stop_prefix "$prefix"
  rm -rf "$prefix"
  if [ $rc != 1 ] || ! grep -q '^usage: setupkit' <<<"$out"; then
    echo "run-tests.sh: the WoW64 Wine of $root cannot run the i686 programs: $product/setupkit.exe" \
         "ended with exit code $rc instead of printing its usage (1)." >&2
    [ -n "$(ls -A "$NX_TEST_ROOT/template/drive_c/windows/syswow64" 2>/dev/null)" ] ||
      echo "  Wine made its prefix without a 32-bit system folder (drive_c/windows/syswow64 is empty)." >&2
    echo "  Missing: a kernel that runs 32-bit (compat-mode) code inside 64-bit processes" \
         "(x86_64 with IA32 emulation, in a virtual machine that allows it)." >&2
    exit 3
  fi
)
probe || exit
NX_PRODUCT_BUILD="$product" NX_WINE_ROOT="$root" \
  ctest -L e2e -j "${NX_TEST_JOBS:-2}" --output-on-failure --timeout 300 "$@"
