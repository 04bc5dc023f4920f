#!/bin/bash
# Plain report of what setup left in the Wine prefix $WINEPREFIX: the installation
# record, files, registrations and program-group shortcuts.
set -u
WINE=/usr/lib/wine/wine64
src="$(cd "$(dirname "$0")/.." && pwd)/src/registration"
# Class identifiers and the uninstall key as the program's own headers define them.
define() { sed -n "s/^#define $1 *\"\(.*\)\".*/\1/p" "$src/$2" | sed 's/\\\\/\\/g'; }
classes="$(define CLSID_BASE_TEXT com.h) $(define CLSID_EXPLORER_TEXT com.h) $(define CLSID_ICONLINK_TEXT com.h)"
uninstall="HKLM\\$(define UNINSTALL_KEY record.h)"
c="$WINEPREFIX/drive_c"
# An entry that is rightly absent (the My Computer entries of a Desktop installation, say)
# is reported as "(none)", not with reg's error text.
reg() {
  local out
  if out=$("$WINE" reg query "$@" 2>/dev/null) && [ -n "$(printf '%s' "$out" | tr -d '\r\n')" ]; then
    printf '%s\n' "$out" | tr -d '\r' | sed '/^$/d; s/^/    /'
  else
    echo "    $1: (none)"
  fi
}

echo "== WIN.INI section [NEXFER] =="
awk 'BEGIN{IGNORECASE=1} /^\[/{on=(tolower($0)=="[nexfer]\r"||tolower($0)=="[nexfer]")} on' "$c/windows/win.ini" | tr -d '\r' | sed 's/^/    /'
dir=$(awk 'BEGIN{IGNORECASE=1} /^\[/{on=(tolower($0)~/^\[nexfer\]/)} on && /^DIR=/{sub(/^DIR=/,""); print}' "$c/windows/win.ini" | tr -d '\r')
if [ -n "$dir" ]; then
  unix=$(WINEPREFIX="$WINEPREFIX" "$WINE" winepath -u "$dir" 2>/dev/null)
  echo "== Files in $dir =="
  ls -l "$unix" 2>/dev/null | sed 's/^/    /'
fi
echo "== Uninstall entry =="
reg "$uninstall"
echo "== COM classes =="
for id in $classes; do
  reg "HKCR\\CLSID\\$id" /s
done
echo "== Shell namespace entries =="
for place in Desktop MyComputer; do
  for id in $classes; do
    reg "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\$place\\Namespace\\$id"
  done
done
echo "== Program-group shortcuts =="
# The user's programs folder (the shell's program groups) and the all-users one.
find "$c/users" "$c/ProgramData" -path '*Start Menu/Programs/*' -name '*.lnk' 2>/dev/null |
  sed -e "s|$c/users/[^/]*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/|    |" \
      -e "s|$c/ProgramData/Microsoft/Windows/Start Menu/Programs/|    (all users) |"
echo "== Run-once commands =="
reg 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce'
reg 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunServicesOnce'
echo "== setup.log =="
log=$(find "$c/users" -maxdepth 5 -ipath '*/Temp/setup.log' 2>/dev/null | head -1)
[ -n "$log" ] && tr -d '\r' < "$log" | sed 's/^/    /'
exit 0
