#!/bin/bash
# A destination drive too small for a quiet installation: a small tmpfs linked as drive
# T: of a prefix of its own, too small by the run's own count, or big enough by that count
# but filling exactly when the product INI file is written (the program files fill
# whole pages). Each run fails and leaves the drive as it was.
# Usage: full_drive_test.sh BUILD_DIR VARIANT_DIR
# The variant and sample product are those of the build under test (product_file of
# wine-lib.sh); the uninstall entry is read in that program's registry view.
set -u
build="$1" variants="$2"
source "$(dirname "$0")/../harness/wine-lib.sh" "$build"
variants=$(product_file "$variants")
sample=$(product_file "$build/sample-product")
variant="$variants/setup_quiet_drive_t.exe"
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\NEXFERPro'
# The files a classic-only run places, in the order it places them: the carried rows
# of the classic and the common list.
placed_files=$(awk '!/^#/ && NF >= 7 && $5 == "yes" && ($7 == "classic" || $7 == "common") { print $3 }' \
  "$(dirname "$0")/../../resources/payload.rows")
passed=0 failed=0 drive_dir=""

# Can a tmpfs be mounted here at all? Only then is a skip not warranted. The drives are
# made in the /tmp that Wine sees (the chroot's, for the chroot's Wine).
probe=$(mktemp -d "$NX_WINE_ROOT/tmp/nxfull-probe.XXXXXX")
if ! mount -t tmpfs -o size=4k tmpfs "$probe" 2>/dev/null; then
  rmdir "$probe"
  echo "SKIPPED: cannot mount a tmpfs here (needs root and mount); no full drive to test with"
  exit 77
fi
umount "$probe"; rmdir "$probe"

cleanup() {
  # The server goes first: it may still hold files on the drive.
  [ -n "${OWN_PREFIX:-}" ] && stop_prefix "$OWN_PREFIX"
  if [ -n "$drive_dir" ]; then
    umount "$drive_dir" 2>/dev/null
    rmdir "$drive_dir" 2>/dev/null
    drive_dir=""
  fi
  drop_own_prefix
}

# placed_bytes [FILE]: bytes the files placed before FILE (all of them without FILE)
# take on a tmpfs, each rounded up to whole 4096-byte pages.
placed_bytes() {
  local total=0 size f
  for f in $placed_files; do
    [ "$f" = "${1:-}" ] && break
    size=$(stat -c %s "$sample/$f") || return 1
    total=$(( total + (size + 4095) / 4096 * 4096 ))
  done
  echo $total
}

# ini_value FILE SECTION KEY: the value, or nothing; exit code 1 when the key is absent.
ini_value() {
  tr -d '\r' < "$1" | awk -v s="[$2]" -v k="$3" '
    /^\[/ { inside = (tolower($0) == tolower(s)); next }
    inside && index($0, "=") { n = substr($0, 1, index($0, "=") - 1)
      if (tolower(n) == tolower(k)) { print substr($0, index($0, "=") + 1); found = 1; exit } }
    END { exit !found }'
}

# start_case NAME SIZE: own prefix, a tmpfs of SIZE bytes as T:, the quiet variant run.
start_case() {
  local name="$1" size="$2"
  new_own_prefix "fulldrive-$name"
  trap cleanup EXIT
  drive_dir=$(mktemp -d "$NX_WINE_ROOT/tmp/nxfull-$name.XXXXXX")
  if ! mount -t tmpfs -o "size=$size" tmpfs "$drive_dir"; then
    echo "$name: mounting a tmpfs of $size bytes failed"
    return 1
  fi
  ln -s "$(wine_path "$drive_dir")" "$WINEPREFIX/dosdevices/t:"
  # A warm server, so that the registry can be queried while it still runs.
  setsid "$WINESERVER" -p </dev/null >/dev/null 2>&1
  "$WINE" cmd /c exit </dev/null >/dev/null 2>&1
  timeout 180 "$WINE" "$variant" </dev/null >/dev/null 2>&1
  run_rc=$?
  setup_log=$(find "$WINEPREFIX/drive_c/users" -path '*/Temp/setup.log' | head -1)
  win_ini="$WINEPREFIX/drive_c/windows/win.ini"
  echo "$name: tmpfs of $size bytes; setup ended with $run_rc; df after the run:"
  df -B1 "$drive_dir" | tail -1
  return 0
}

finish_case() {
  local name="$1" ok="$2"
  if [ "$ok" = 1 ]; then
    echo "$name: passed"; passed=$((passed + 1))
  else
    echo "$name: FAILED"; failed=$((failed + 1))
    [ -n "${setup_log:-}" ] && { echo "--- setup.log"; cat "$setup_log"; echo "---"; }
  fi
  cleanup
}

# exact_bytes: bytes the run needs by its own count (the room it asks for first): every
# file it places, the product INI file and the site lists, each at its exact size.
exact_bytes() {
  local total=0 f
  for f in $placed_files NEXFER.ini sites1.ini sites2.ini sites3.ini sites4.ini sites5.ini sites6.ini \
           sites7.ini sites8.ini; do
    total=$(( total + $(stat -c %s "$sample/$f") )) || return 1
  done
  echo $total
}

# check_nothing_left NAME: the run took back all it did: no folder on the drive, no
# record in WIN.INI, no uninstall entry, and the log ends with exit code 1603 (a shell
# sees only its low 8 bits).
check_nothing_left() {
  local name="$1"
  [ -e "$drive_dir/NEXFER" ] && { echo "$name: left on the drive: $(ls -A "$drive_dir/NEXFER" | tr '\n' ' ')"; ok=0; }
  ini_value "$win_ini" NEXFER INSTOPTS >/dev/null && { echo "$name: WIN.INI holds INSTOPTS"; ok=0; }
  ini_value "$win_ini" NEXFER DIR >/dev/null && { echo "$name: WIN.INI holds DIR"; ok=0; }
  "$WINE" reg query "$uninstall_key" $NX_REG_VIEW </dev/null >/dev/null 2>&1 && { echo "$name: an uninstall entry was written"; ok=0; }
  [ -n "$setup_log" ] || { echo "$name: no setup.log in the temporary folder"; ok=0; return; }
  tr -d '\r' < "$setup_log" | tail -1 | grep -q '^Exit code 1603: ' ||
    { echo "$name: the log does not end with the failure"; ok=0; }
}

# check_taken_back NAME: the failure was reported and every change taken back, a line
# counting them.
check_taken_back() {
  local name="$1"
  [ -n "$setup_log" ] || return
  tr -d '\r' < "$setup_log" | grep -qx 'Some portion of installation process failed.' ||
    { echo "$name: the failure is not reported"; ok=0; }
  tr -d '\r' < "$setup_log" | grep -Eq '^Rolled back [1-9][0-9]* changes$' ||
    { echo "$name: no 'Rolled back N changes'"; ok=0; }
  tr -d '\r' < "$setup_log" | grep -q '^Could not take back' && { echo "$name: a change was not taken back"; ok=0; }
}

# Too little room for the product: the run says so with both figures before it places
# anything, and the folder it made goes again.
case_too_little_room() {
  ok=1
  start_case room 65536 || { finish_case room 0; return; }
  [ "$run_rc" = 124 ] && { echo "room: setup did not end by itself"; ok=0; }
  check_nothing_left room
  if [ -n "$setup_log" ]; then
    tr -d '\r' < "$setup_log" |
      grep -Eqx 'Not enough room on the drive of T:\\NEXFER: the installation needs 0\.[1-9] MB and 0\.[01] MB are free\.' ||
      { echo "room: no line naming both figures"; ok=0; }
    tr -d '\r' < "$setup_log" | grep -q '^Copying ' && { echo "room: a file was copied"; ok=0; }
  fi
  finish_case room $ok
}

# Every program file fits, the product INI file does not: the installation fails, and
# its files and folder are taken back.
case_fills_at_the_ini_file() {
  local bytes
  ok=1
  bytes=$(placed_bytes) || { echo "ini: sample product files missing under $sample"; finish_case ini 0; return; }
  [ "$(exact_bytes)" -le "$bytes" ] ||
    { echo "ini: the room check would refuse this drive; no such drive to test with"; finish_case ini 0; return; }
  start_case ini "$bytes" || { finish_case ini 0; return; }
  [ "$run_rc" = 124 ] && { echo "ini: setup did not end by itself"; ok=0; }
  check_nothing_left ini
  check_taken_back ini
  [ -n "$setup_log" ] && ! tr -d '\r' < "$setup_log" | grep -qx 'Failed to install INI files.' &&
    { echo "ini: setup.log lacks 'Failed to install INI files.'"; ok=0; }
  finish_case ini $ok
}

[ -f "$variant" ] || { echo "missing $variant"; exit 2; }
case " $(echo $placed_files) " in
  *" nxfpro32.hlp "*" nxfstub.dll "*) ;;
  *) echo "cannot read the placed files from payload.rows: $placed_files"; exit 2 ;;
esac
case_too_little_room
case_fills_at_the_ini_file
echo "$passed passed, $failed failed"
[ $failed = 0 ]
