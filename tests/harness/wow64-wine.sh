#!/bin/sh
# Wine of the chroot NX_WINE_ROOT (tools/wow64-root.sh), as wine-lib.sh calls it: the
# loader as wow64-wine.sh, the server as wow64-wineserver.sh (a link to this script).
# The caller's environment and folder carry over; the process keeps this script's id.
case "$(basename "$0")" in
  wow64-wineserver.sh) program=/usr/lib/x86_64-linux-gnu/wine/wineserver ;;
  *) program=/usr/bin/wine ;;
esac
[ -n "${NX_WINE_ROOT:-}" ] || { echo "wow64-wine.sh: NX_WINE_ROOT is not set" >&2; exit 2; }
exec chroot "$NX_WINE_ROOT" /bin/sh -c 'cd "$1" 2>/dev/null || cd /; shift; exec "$0" "$@"' \
  "$program" "$PWD" "$@"
