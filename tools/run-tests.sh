#!/bin/bash
# Runs every test of a cross build under Wine; the test display and every wineserver of
# the test prefixes are shut down at the end, also when a test fails or hangs.
# Usage: run-tests.sh BUILD_DIR
#        run-tests.sh BUILD_DIR --product PRODUCT_BUILD --wine-root ROOT
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
    *) echo "run-tests.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
build=$(cd "$build" && pwd) || exit 2
cd "$build" || exit 2

if [ -z "$product" ]; then
  trap './wine-stop.sh' EXIT INT TERM
  ctest -j "${NX_TEST_JOBS:-2}" --output-on-failure --timeout 300
  exit
fi

[ -n "$root" ] || { echo "run-tests.sh: --product needs --wine-root" >&2; exit 2; }
source "$(dirname "$(readlink -f "$0")")/wow64-root.sh"
product=$(cd "$product" && pwd) || exit 2
root=$(readlink -m "$root")
[ -f "$root/.nx-ready" ] || { echo "run-tests.sh: no WoW64 chroot at $root (make wow64-root)" >&2; exit 2; }
[ "$(id -u)" = 0 ] || { echo "run-tests.sh: mounting into $root needs root" >&2; exit 2; }
checkout=$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)
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
NX_PRODUCT_BUILD="$product" NX_WINE_ROOT="$root" \
  ctest -L e2e -j "${NX_TEST_JOBS:-2}" --output-on-failure --timeout 300
