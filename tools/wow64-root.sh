#!/bin/bash
# The Debian sid chroot whose Wine 10 runs the i686 programs as 32-bit processes inside
# 64-bit Wine (WoW64), as 64-bit Windows runs them. It lives outside the checkout; runs
# mount what they need into it (wow64_mount) and remove those mounts again (wow64_umount).
# Usage: wow64-root.sh make ROOT     makes ROOT unless it is ready (needs root and the
#                                    package registry of /etc/apt/sources.list.d)
#        wow64-root.sh remove ROOT   removes every mount under ROOT, then ROOT
#        wow64-root.sh umount ROOT   removes every mount under ROOT (stale ones of a killed run)
# Sourced (source wow64-root.sh), it only defines the functions.
WOW64_SUITE=sid
WOW64_PACKAGES="wine wine64 libwine mount"

wow64_fail() { echo "wow64-root: $*" >&2; exit 2; }

# wow64_mounts ROOT: every mount point at or under ROOT, deepest first.
wow64_mounts() {
  local root
  root=$(readlink -m "$1")
  awk '{ print $5 }' /proc/self/mountinfo | while read -r m; do
    m=$(printf '%b' "${m//\\/\\0}")
    case "$m" in "$root"/*) echo "$m" ;; esac
  done | awk '{ print length($0) "\t" $0 }' | sort -rn | cut -f2-
}

# wow64_kill ROOT: ends every process still running inside ROOT (a wineserver of a killed
# run holds its mounts busy), by its id.
wow64_kill() {
  local root p pids=""
  root=$(readlink -m "$1")
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && pids="$pids ${p#/proc/}"
  done
  [ -n "$pids" ] || return 0
  kill $pids 2>/dev/null
  sleep 1
  kill -9 $pids 2>/dev/null
  return 0
}

# wow64_umount ROOT: removes every mount under ROOT; 1 when one stays.
wow64_umount() {
  wow64_kill "$1"
  wow64_mounts "$1" | while IFS= read -r m; do
    umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null
  done
  [ -z "$(wow64_mounts "$1")" ] || { echo "wow64-root: mounts left under $1:" >&2; wow64_mounts "$1" >&2; return 1; }
}

# wow64_mount ROOT DIR...: /proc and /dev in ROOT, and each DIR bound at its own path.
# The binds are slaves: a mount a test makes inside the chroot never shows on the host.
wow64_mount() {
  local root="$1" d; shift
  mount -t proc proc "$root/proc" || wow64_fail "cannot mount /proc in $root (needs root and mount)"
  mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev" ||
    wow64_fail "cannot bind /dev into $root"
  for d in "$@"; do
    mkdir -p "$root$d"
    mount --bind "$d" "$root$d" && mount --make-rslave "$root$d" || wow64_fail "cannot bind $d into $root"
  done
}

# wow64_mirror: the Debian archive of the package registry this machine uses.
wow64_mirror() {
  local f u
  for f in /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list /etc/apt/sources.list; do
    [ -f "$f" ] || continue
    u=$(grep -hoE '(URIs:|deb)[[:space:]]+[^ ]+/debian/?([[:space:]]|$)' "$f" | grep -v security |
        head -1 | awk '{ print $2 }')
    [ -n "$u" ] && { echo "${u%/}"; return 0; }
  done
  return 1
}

wow64_make() {
  local root="$1" work mirror
  [ -f "$root/.nx-ready" ] && { echo "wow64-root: $root is ready ($(cat "$root/.nx-ready"))"; return 0; }
  [ "$(id -u)" = 0 ] || wow64_fail "making $root needs root (debootstrap, chroot, mount)"
  if ! command -v debootstrap >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y debootstrap >/dev/null ||
      { apt-get update >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y debootstrap >/dev/null; } ||
      wow64_fail "the package debootstrap cannot be installed"
  fi
  mirror=$(wow64_mirror) || wow64_fail "no Debian archive in /etc/apt/sources.list.d"
  work="$root.partial"
  wow64_umount "$work" || exit 2
  rm -rf --one-file-system "$work"
  mkdir -p "$work"
  echo "wow64-root: debootstrap $WOW64_SUITE from $mirror into $work"
  debootstrap --variant=minbase "$WOW64_SUITE" "$work" "$mirror" >"$work.log" 2>&1 ||
    { tail -5 "$work.log" >&2; wow64_fail "debootstrap of $WOW64_SUITE from $mirror failed (log: $work.log)"; }
  trap 'wow64_umount "$work"' EXIT INT TERM
  wow64_mount "$work"
  # The suite's Release file may be past its Valid-Until date on the registry.
  chroot "$work" apt-get -o Acquire::Check-Valid-Until=false update >>"$work.log" 2>&1 ||
    wow64_fail "apt-get update in the chroot failed (log: $work.log)"
  DEBIAN_FRONTEND=noninteractive chroot "$work" apt-get -o Acquire::Check-Valid-Until=false install -y \
      --no-install-recommends $WOW64_PACKAGES >>"$work.log" 2>&1 ||
    { tail -5 "$work.log" >&2; wow64_fail "the packages $WOW64_PACKAGES of $WOW64_SUITE cannot be installed (log: $work.log)"; }
  [ -d "$work/usr/lib/x86_64-linux-gnu/wine/i386-windows" ] ||
    wow64_fail "the $WOW64_SUITE package libwine carries no i386 Windows DLLs: no WoW64 Wine"
  chroot "$work" apt-get clean
  wow64_umount "$work" || exit 2
  trap - EXIT INT TERM
  chroot "$work" dpkg-query -W -f='${Package} ${Version}, ' wine libwine | sed 's/, $/\n/' > "$work/.nx-ready"
  rm -rf --one-file-system "$root"
  mv "$work" "$root"
  mv "$work.log" "$root.log"
  echo "wow64-root: $root is ready ($(cat "$root/.nx-ready"))"
}

wow64_remove() {
  local root="$1" r
  for r in "$root" "$root.partial"; do
    [ -e "$r" ] || continue
    wow64_umount "$r" || wow64_fail "not removing $r: a mount stays under it"
    rm -rf --one-file-system "$r"
  done
  rm -f "$root.log" "$root.partial.log" "$root.lock"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -u
  root=$(readlink -m "${2:?usage: wow64-root.sh make|remove|umount ROOT}")
  case "$1" in
    make) wow64_make "$root" ;;
    remove) wow64_remove "$root" ;;
    umount) wow64_umount "$root" ;;
    *) echo "usage: wow64-root.sh make|remove|umount ROOT" >&2; exit 2 ;;
  esac
fi
