#!/bin/bash
# A destination drive that fills during a quiet installation: a small tmpfs linked as
# drive T: of a prefix of its own, sized to fill while the program files are copied,
# or exactly when the product INI file is written.
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

# The drive fills while the program files are copied: the copy that met the full
# drive is logged with the system's error 112, and nothing records an installation.
# FILE is the file that meets the full drive, SPARE the bytes left for it.
case_fills_during_copy() {
  local name="$1" file="$2" spare="$3" ok=1 bytes
  bytes=$(placed_bytes "$file") || { echo "$name: sample product files missing under $sample"; finish_case "$name" 0; return; }
  start_case "$name" $(( bytes + spare )) || { finish_case "$name" 0; return; }
  [ "$run_rc" = 124 ] && { echo "$name: setup did not end by itself"; ok=0; }
  [ -n "$setup_log" ] || { echo "$name: no setup.log in the temporary folder"; ok=0; }
  if [ -n "$setup_log" ]; then
    tr -d '\r' < "$setup_log" | grep -Fqx "Copy of $file to T:\\NEXFER failed. (112)" ||
      { echo "$name: no line 'Copy of $file to T:\\NEXFER failed. (112)'"; ok=0; }
    tr -d '\r' < "$setup_log" | grep -qx 'Some portion of installation process failed.' ||
      { echo "$name: the failure is not reported"; ok=0; }
  fi
  # The file that met the full drive is not left behind in part.
  [ -e "$drive_dir/NEXFER/$file" ] &&
    { echo "$name: $file left behind ($(stat -c %s "$drive_dir/NEXFER/$file") bytes)"; ok=0; }
  ini_value "$win_ini" NEXFER INSTOPTS >/dev/null && { echo "$name: WIN.INI holds INSTOPTS"; ok=0; }
  ini_value "$win_ini" NEXFER DIR >/dev/null && { echo "$name: WIN.INI holds DIR"; ok=0; }
  "$WINE" reg query "$uninstall_key" $NX_REG_VIEW </dev/null >/dev/null 2>&1 && { echo "$name: an uninstall entry was written"; ok=0; }
  finish_case "$name" $ok
}

# Every program file fits, the product INI file does not: no empty or partial INI file
# stays, the failure is logged, and the installation is still recorded because the
# product's files and registrations are complete.
case_fills_at_the_ini_file() {
  local ok=1 bytes f
  bytes=$(placed_bytes) || { echo "ini: sample product files missing under $sample"; finish_case ini 0; return; }
  start_case ini "$bytes" || { finish_case ini 0; return; }
  [ "$run_rc" = 124 ] && { echo "ini: setup did not end by itself"; ok=0; }
  for f in $placed_files; do
    cmp -s "$sample/$f" "$drive_dir/NEXFER/$f" || { echo "ini: $f is not in place in full"; ok=0; }
  done
  [ -e "$drive_dir/NEXFER/NEXFER.ini" ] &&
    { echo "ini: NEXFER.ini left behind ($(stat -c %s "$drive_dir/NEXFER/NEXFER.ini") bytes)"; ok=0; }
  [ -n "$setup_log" ] || { echo "ini: no setup.log in the temporary folder"; ok=0; }
  if [ -n "$setup_log" ]; then
    tr -d '\r' < "$setup_log" | grep -qx 'Failed to install INI files.' ||
      { echo "ini: setup.log lacks 'Failed to install INI files.'"; ok=0; }
  fi
  [ "$(ini_value "$win_ini" NEXFER INSTOPTS)" = 12 ] || { echo "ini: WIN.INI INSTOPTS is not 12"; ok=0; }
  [ "$(ini_value "$win_ini" NEXFER DIR)" = 'T:\NEXFER' ] || { echo "ini: WIN.INI DIR is not T:\\NEXFER"; ok=0; }
  "$WINE" reg query "$uninstall_key" $NX_REG_VIEW </dev/null >/dev/null 2>&1 || { echo "ini: no uninstall entry"; ok=0; }
  finish_case ini $ok
}

[ -f "$variant" ] || { echo "missing $variant"; exit 2; }
case " $(echo $placed_files) " in
  *" nxfpro32.hlp "*" nxfstub.dll "*) ;;
  *) echo "cannot read the placed files from payload.rows: $placed_files"; exit 2 ;;
esac
# A help file of one page meets a drive with no page left; a program of four pages
# meets it after two of them were written.
case_fills_during_copy copy-help nxfpro32.hlp 0
case_fills_during_copy copy-program nxfstub.dll 8192
case_fills_at_the_ini_file
echo "$passed passed, $failed failed"
[ $failed = 0 ]
