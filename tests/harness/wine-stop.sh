#!/bin/bash
# Ends every wineserver of the test prefixes and the test display, freeing its number.
# CMake links it into the build folder; ctest runs it after the tests (harness_stop).
build=$(cd "$(dirname "$0")" && pwd)
source "$(dirname "$(readlink -f "$0")")/wine-lib.sh" "$build"
stop_harness
exit 0
