#!/bin/bash
# Builds setup.exe a second time, from a copy of the sources in another folder into another
# build folder, with the first build's toolchain, and compares the bytes with the first
# build. On a difference it names the first differing offset and the part of the PE file
# holding it. Usage: repro-check.sh FIRST_BUILD HOST_TOOLS_BUILD [cmake options of the first]
set -u
first=$(cd "${1:?usage: repro-check.sh FIRST_BUILD HOST_TOOLS_BUILD [options]}" && pwd) || exit 2
host=$(cd "${2:?missing HOST_TOOLS_BUILD}" && pwd) || exit 2
shift 2
src=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$first/CMakeCache.txt")
[ -n "$toolchain" ] || { echo "repro-check: $first is not a cross build" >&2; exit 2; }
name=$(basename "$first")
work="$(dirname "$first")/repro-check-$name"
copy="$work/sources-elsewhere"
second="$work/second-build/$name"

rm -rf "$work"
mkdir -p "$copy" "$second"
cp -a "$src"/CMakeLists.txt "$src"/cmake "$src"/resources "$src"/sample "$src"/src "$src"/tests "$src"/tools "$copy"/
if ! cmake -S "$copy" -B "$second" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/$(basename "$toolchain")" \
        -DNX_HOST_TOOLS="$host" -DNX_BUILD_TESTS=OFF "$@" >"$work/build.log" 2>&1 ||
   ! cmake --build "$second" -j "${JOBS:-2}" --target setup >>"$work/build.log" 2>&1; then
    echo "repro-check: the second build failed; see $work/build.log" >&2
    exit 2
fi
"$host/pe/peinfo" compare "$first/setup.exe" "$second/setup.exe"
