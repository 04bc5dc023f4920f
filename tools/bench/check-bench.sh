#!/bin/bash
# make bench: the costs of the start-up check and of the journal of an installation run
# against a quiet installation, for the sample (setup_quiet.exe) and a 12 MB product
# (setup_bench12.exe), x86_64 programs under Wine in a throw-away prefix with its own
# display. The check is timed by checktime.exe, the journal by journaltime.exe; each
# installation from the program's start to its end (the second one updates the first).
set -u
build="${1:?usage: check-bench.sh BUILD_DIR}"
build=$(cd "$build" && pwd)
source "$(dirname "$0")/../../tests/harness/wine-lib.sh" ""

throwaway_session bench
new_prefix "$WINEPREFIX" >/dev/null 2>&1
"$WINE" "$build/checktime.exe" "Z:$build/setup_quiet.exe" "Z:$build/setup_bench12.exe" </dev/null || exit 1
for program in setup_quiet.exe setup_bench12.exe; do
  start=$(date +%s%N)
  "$WINE" "$build/$program" </dev/null
  # A Linux exit status keeps the low 8 bits of the Windows exit code: 3010 shows as 194.
  rc=$?
  end=$(date +%s%N)
  install_ms=$(( (end - start) / 1000000 ))
  echo "$program: quiet installation (start to end, exit status $rc) in $install_ms ms"
  line=$("$WINE" "$build/journaltime.exe" "Z:$build/$program" </dev/null | tr -d '\r') || exit 1
  echo "$line"
  cost=$(sed -n 's/.*the journal costs \(-\{0,1\}[0-9.]*\) ms$/\1/p' <<<"$line")
  awk -v c="$cost" -v t="$install_ms" 'BEGIN { printf "  the journal: %.1f%% of the quiet installation (at most 5%%)\n", 100 * c / t }'
done
