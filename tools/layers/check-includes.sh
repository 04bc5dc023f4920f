#!/bin/bash
# Fails when a source file includes a header of a layer above its own. The layers, from
# the bottom: session; payload and registration beside each other; wizard (the pages);
# drivers; setup (entry point, wizard flow, the main window's command). A file includes
# its own folder, folders below it, the resource ids, the generated payload rows and version,
# always written from src/ or resources/ ("session/text.h", "resource.h"), never "../".
# One exception, session/journal.cpp, is named below with its reason.
# Usage: check-includes.sh [SRC_DIR]   (default: the src folder beside tools/)
set -u
src="${1:-$(dirname "$0")/../../src}"
rank() {
  case "$1" in
    session) echo 0 ;; payload|registration) echo 1 ;; wizard) echo 2 ;;
    drivers) echo 3 ;; setup) echo 4 ;; *) echo -1 ;;
  esac
}
faults=0
while IFS= read -r file; do
  folder=$(basename "$(dirname "$file")")
  own=$(rank "$folder")
  if [ "$own" -lt 0 ]; then
    echo "$file: folder $folder is not a known layer"; faults=$((faults + 1)); continue
  fi
  while IFS=: read -r line include; do
    case "$include" in
      resource.h|payload_rows.h|nxversion.h) continue ;;
      */*) ;;
      *) echo "$file:$line: \"$include\" is not written from src/"; faults=$((faults + 1)); continue ;;
    esac
    target="${include%%/*}"
    theirs=$(rank "$target")
    if [ "$target" = ".." ] || [ "$theirs" -lt 0 ]; then
      echo "$file:$line: \"$include\" is not written from src/"; faults=$((faults + 1))
    elif [[ "$file" == */session/journal.cpp ]] && [ "$theirs" -eq 1 ]; then
      # The one exception: the journal takes back what payload and registration changed
      # with their own operations (a group item over the shell's service, a DLL's
      # unregistration), while every layer records into it.
      continue
    elif [ "$theirs" -gt "$own" ] || { [ "$theirs" -eq "$own" ] && [ "$target" != "$folder" ]; }; then
      echo "$file:$line: $folder includes \"$include\" of a layer above or beside it"; faults=$((faults + 1))
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" | sed 's/^\([0-9]*\):.*"\(.*\)".*/\1:\2/')
done < <(find "$src" -mindepth 2 -name '*.cpp' -o -mindepth 2 -name '*.h' | sort)
if [ "$faults" -gt 0 ]; then
  echo "$faults include(s) against the layers"
  exit 1
fi
echo "includes follow the layers"
