#!/bin/bash
# Sizes of szdd against Debian's mscompress and the optimum, for every file under DIR... (default:
# /usr/share/common-licenses and a few /usr/bin binaries), then the time to pack 5 MiB.
# Usage: SZDD=path/to/szdd bench.sh [DIR...]      (prints figures, checks nothing)
set -u
SZDD=${SZDD:-szdd}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
HAVE_MSCOMPRESS=1
command -v mscompress >/dev/null 2>&1 || HAVE_MSCOMPRESS=0

now() { date +%s.%N; }
size() { stat -c %s "$1"; }
pct() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", (a - b) * 100 / b; else print "-" }'; }

list_files() {
    if [ $# -gt 0 ]; then
        find "$@" -type f -print0
        return
    fi
    find /usr/share/common-licenses -type f -print0
    for b in bash ls cmp tar gzip; do
        local p
        p=$(command -v $b) && printf '%s\0' "$(readlink -f "$p")"
    done
}

# mscompress writes FILE_ beside its input, so it works on a copy.
mscompress_size() {
    [ "$HAVE_MSCOMPRESS" = 1 ] || { echo 0; return; }
    cp "$1" "$WORK/f" && rm -f "$WORK/f_" && mscompress "$WORK/f" >/dev/null 2>&1
    if [ -e "$WORK/f_" ]; then size "$WORK/f_"; else echo 0; fi
}

row() { printf '%-36s %10s %10s %10s %10s %8s %8s\n' "$@"; }

row file original szdd mscompress optimum "szdd+%" "msc+%"
t_orig=0 t_ours=0 t_ms=0 t_opt=0 tiny=0
while IFS= read -r -d '' f; do
    orig=$(size "$f")
    "$SZDD" "$f" "$WORK/out" || { echo "szdd failed on $f" >&2; continue; }
    ours=$(size "$WORK/out")
    ms=$(mscompress_size "$f")
    opt=$("$SZDD" --size "$f")
    name=$f
    [ ${#name} -gt 36 ] && name="...${name: -33}"
    [ "$orig" -lt 16 ] && { name="$name*"; tiny=1; }
    row "$name" "$orig" "$ours" "$ms" "$opt" "$(pct "$ours" "$opt")" "$(pct "$ms" "$opt")"
    t_orig=$((t_orig + orig)) t_ours=$((t_ours + ours)) t_ms=$((t_ms + ms)) t_opt=$((t_opt + opt))
done < <(list_files "$@")
row TOTAL "$t_orig" "$t_ours" "$t_ms" "$t_opt" "$(pct "$t_ours" "$t_opt")" "$(pct "$t_ms" "$t_opt")"
[ "$tiny" = 1 ] && echo "* under 16 bytes: Debian's mscompress writes a file that does not expand back"
[ "$HAVE_MSCOMPRESS" = 1 ] || echo "mscompress not installed: its column is 0"

# Speed: the listed files (repeated as needed) cut to 5 MiB.
while IFS= read -r -d '' f; do cat "$f"; done < <(list_files "$@") >"$WORK/one"
if [ -s "$WORK/one" ]; then
    while [ "$(size "$WORK/one")" -lt 5242880 ]; do cat "$WORK/one" "$WORK/one" >"$WORK/two"; mv "$WORK/two" "$WORK/one"; done
    head -c 5242880 "$WORK/one" >"$WORK/big"
    start=$(now); "$SZDD" "$WORK/big" "$WORK/big.sz"; end=$(now)
    awk -v s="$start" -v e="$end" -v o="$(size "$WORK/big.sz")" \
        'BEGIN { printf "5 MiB of the same files: %d bytes in %.2f s\n", o, e - s }'
fi
