#!/bin/bash
# Runs every test of a cross build under Wine; the test display and every wineserver of
# the test prefixes are shut down at the end, also when a test fails or hangs.
set -u
build="${1:?usage: run-tests.sh BUILD_DIR}"
cd "$build" || exit 2
trap './wine-stop.sh' EXIT INT TERM
ctest -j "${NX_TEST_JOBS:-2}" --output-on-failure --timeout 300
