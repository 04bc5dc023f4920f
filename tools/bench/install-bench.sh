#!/bin/bash
# make bench: quiet installations of the 12 MB and the 120 MB product (setup_bench12.exe,
# setup_bench120.exe) against the floor, a plain copy of the same product files by
# floorcopy.exe; x86_64 programs under Wine with its null graphics driver (no shell: the
# program group is made of shortcut files), in a throw-away prefix. Five interleaved
# rounds, each installation into an empty product folder; medians. Each program is timed
# from its start to its end; the phases come from the setup log's lines, stamped as they
# are written, and from phasetime.exe, which times the two steps of placing the rows.
set -u
build="${1:?usage: install-bench.sh BUILD_DIR}"
build=$(cd "$build" && pwd)
source "$(dirname "$0")/../../tests/harness/wine-lib.sh" ""
ROUNDS=5

throwaway_session install-bench
new_prefix "$WINEPREFIX" >/dev/null 2>&1
use_null_graphics "$WINEPREFIX"
# One server for the whole run: every program starts as it would on a running system.
setsid "$WINESERVER" -p </dev/null >/dev/null 2>&1 &
"$WINE" cmd /c exit </dev/null >/dev/null 2>&1
temp=$("$WINE" cmd /c echo %TEMP% </dev/null 2>/dev/null | tr -d '\r')
tempdir=$("$WINE" winepath -u "$temp" 2>/dev/null | tr -d '\r')
dest="$WINEPREFIX/drive_c/Program Files/NEXFER Pro"
work=$(mktemp -d /tmp/nexfer-bench-times.XXXXXX)
trap 'stop_prefix "$WINEPREFIX"; stop_display "$NX_SESSION_STATE"; rm -rf "$WINEPREFIX" "$NX_SESSION_STATE" "$work"' EXIT
[ -d "$tempdir" ] || { echo "install-bench: the prefix's temporary folder was not found" >&2; exit 1; }

# floor SIZE ROUND: one plain copy of the product's files; its seconds go to work/floor-SIZE.
floor() {
  rm -rf "$WINEPREFIX/drive_c/floor"
  local t0=$EPOCHREALTIME
  "$WINE" "$build/floorcopy.exe" "Z:$build/setup_bench$1-product" 'C:\floor' </dev/null || exit 1
  echo "$t0 $EPOCHREALTIME" | awk '{ printf "%.4f\n", $2 - $1 }' >> "$work/floor-$1"
}

# install_run SIZE ROUND: one quiet installation into an empty product folder; the setup log's
# lines, each with the moment it was read, go to work/log-SIZE-ROUND, its seconds to
# work/install-SIZE.
install_run() {
  local log="$tempdir/setup.log" stamps="$work/log-$1-$2" pid rc t0 t1
  rm -rf "$dest"
  rm -f "$log"
  t0=$EPOCHREALTIME
  ( "$WINE" "$build/setup_bench$1.exe" </dev/null >/dev/null 2>&1; echo "$? $EPOCHREALTIME" > "$work/end" ) &
  pid=$!
  tail -F -s 0.005 --pid=$pid -n +1 "$log" 2>/dev/null |
    while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "${line%$'\r'}"; done > "$stamps"
  wait $pid
  read -r rc t1 < "$work/end"
  # The host sees the low eight bits of the exit code: 194 is 3010, a success as 0 is.
  if [ "$rc" != 0 ] && [ "$rc" != 194 ]; then
    echo "setup_bench$1.exe: the quiet installation failed (exit status $rc)" >&2
    exit 1
  fi
  echo "$t0 $t1" | awk '{ printf "%.4f\n", $2 - $1 }' >> "$work/install-$1"
  echo "$t0" > "$stamps.start"
  echo "$t1" > "$stamps.end"
}

for round in $(seq $ROUNDS); do
  for size in 12 120; do
    floor $size
    install_run $size "$round"
  done
done
rm -rf "$WINEPREFIX/drive_c/floor"

median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
bytes() { du -sbL "$build/setup_bench$1-product" | cut -f1; }

# The phases of the median installation of SIZE: from the start to the first file, the
# files (split by phasetime's measure into scratch writes and expansion), from the last
# file to the log's last line (registrations, program group, records), and to the end.
phases() {
  local size=$1 want round split
  want=$(median "$work/install-$size")
  round=$(awk -v w="$want" '$1 == w { print NR; exit }' "$work/install-$size")
  split=$("$WINE" "$build/phasetime.exe" "Z:$build/setup_bench$size.exe" </dev/null | tr -d '\r') || exit 1
  awk -v t0="$(cat "$work/log-$size-$round.start")" -v t1="$(cat "$work/log-$size-$round.end")" -v sp="$split" '
    /^[0-9.]+ Copying / { if (!first) first = $1; last = NR; next }
    last && NR == last + 1 { after = $1 } { end = $1 }
    END {
      if (!first) { print "  (the log named no file: no phases)"; exit }
      if (!after) after = end
      n = split(sp, w, " "); writes = w[3]; expansion = w[6]
      files = after - first
      share = (writes + expansion) > 0 ? writes / (writes + expansion) : 0
      printf "  phases: start-up and integrity check %.3f s, files %.3f s (scratch writes %.3f s, expansion %.3f s),\n", first - t0, files, files * share, files * (1 - share)
      printf "          registrations, program group and records %.3f s, ending %.3f s\n", end - after, t1 - end
      printf "%.4f\n", files > filesout
    }' filesout="$work/files-$size" "$work/log-$size-$round"
}

echo "== quiet installation against the floor (a plain copy of the same files), x86_64, Wine, $ROUNDS rounds, medians =="
for size in 12 120; do
  f=$(median "$work/floor-$size")
  i=$(median "$work/install-$size")
  awk -v s="$size" -v f="$f" -v i="$i" -v b="$(bytes $size)" 'BEGIN {
    r = i / f
    printf "setup_bench%s.exe (%.1f MB): installation %.3f s, floor %.3f s: %.2fx the floor (target: within 2x) %s\n",
           s, b / 1e6, i, f, r, (r <= 2 ? "met" : "missed") }'
  phases $size
done
awk -v i12="$(median "$work/install-12")" -v i120="$(median "$work/install-120")" \
    -v f12="$(median "$work/floor-12")" -v f120="$(median "$work/floor-120")" \
    -v b12="$(bytes 12)" -v b120="$(bytes 120)" -v work="$work" 'BEGIN {
  extra = (b120 - b12) / 1e6
  rate = i120 > i12 ? extra / (i120 - i12) : 0
  floor = f120 > f12 ? extra / (f120 - f12) : 0
  printf "over the extra %.1f MB: the installation places %.0f MB/s, the floor copies %.0f MB/s (target: 180 MB/s, the zlib installer measured when this was planned) %s\n",
         extra, rate, floor, (rate >= 180 ? "met" : "missed")
  # The same over the files phases alone, clear of the start-up and its noise.
  getline d12 < (work "/files-12"); getline d120 < (work "/files-120"); d12 += 0; d120 += 0
  if (d120 > d12)
    printf "   the files phases alone: %.0f MB/s\n", extra / (d120 - d12) }'
echo "   (every run is timed from its program's start to its end; the machine's other load shows in these figures)"
