#!/bin/bash
# The programs load no DLL from their own folder: every DLL they import is on Windows'
# KnownDLLs list, which Windows maps from the system folder whatever lies beside a
# program, and a setup program's load configuration asks for the system folder alone
# (DependentLoadFlags LOAD_LIBRARY_SEARCH_SYSTEM32) for the DLLs those bring in.
# Usage: known_dlls_test.sh PEINFO PROGRAM.exe...   (setup.exe and setup_*.exe are setup programs)
set -u
peinfo="$1"
shift

# The KnownDLLs of Windows 10 and 11: the values of HKLM\SYSTEM\CurrentControlSet\Control\
# Session Manager\KnownDLLs, the key Microsoft's "Dynamic-link library search order"
# names. LZ32 is not among them.
known=" advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32
        msctf msvcrt normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32
        shlwapi user32 wldap32 ws2_32 "

faults=0
for program in "$@"; do
  imports=$("$peinfo" imports "$program") || { echo "$program: not read"; faults=$((faults + 1)); continue; }
  [ -n "$imports" ] || { echo "$program: no imports found"; faults=$((faults + 1)); }
  while read -r dll; do
    [ -n "$dll" ] || continue
    base=$(printf '%s' "${dll#delay }" | tr 'A-Z' 'a-z')
    base="${base%.dll}"
    case "$known" in
      *[[:space:]]"$base"[[:space:]]*) ;;
      *) echo "$program imports $dll, which is not a KnownDLL: Windows would look for it beside the program first"
         faults=$((faults + 1)) ;;
    esac
  done <<<"$imports"
  case "$(basename "$program")" in
    setup.exe|setup_*.exe)
      flags=$("$peinfo" loadconfig "$program")
      [ "$flags" = "DependentLoadFlags 0x0800" ] ||
        { echo "$program: load configuration: '$flags' instead of DependentLoadFlags 0x0800"; faults=$((faults + 1)); } ;;
  esac
  echo "$program: $(echo $imports)"
done
[ "$faults" = 0 ]
