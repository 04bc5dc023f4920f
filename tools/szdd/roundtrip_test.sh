#!/bin/bash
# Packs a generated corpus with szdd, expands it with Debian's msexpand and compares; also checks
# the header, --size, and that no file comes out larger than with Debian's mscompress.
# Usage: roundtrip_test.sh [PATH_TO_SZDD]    (exit 77: skipped, msexpand is not installed)
set -u
SZDD=${1:-./szdd}
MIB=1048576
if ! command -v msexpand >/dev/null 2>&1; then
    echo "SKIP: msexpand not found (Debian package mscompress)"
    exit 77
fi
WORK=$(mktemp -d)
passed=0
failed=0

pass() { echo "PASS $1${2:+ ($2)}"; passed=$((passed + 1)); }
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }
size() { stat -c %s "$1"; }
byte() { printf "\\$(printf %03o "$1")"; }

# The 14 header bytes szdd must write for a file of $1 bytes and last character $2 (a number).
header() {
    printf 'SZDD\210\360\047\063A'
    byte "$2"
    for shift in 0 8 16 24; do byte $((($1 >> shift) & 255)); done
}

# Debian's mscompress writes garbage for inputs under 16 bytes; past 2 MiB it is only slow.
beats_mscompress() {
    local in=$1 ours=$2 dir="$WORK/mc"
    [ "$(size "$in")" -ge 16 ] && [ "$(size "$in")" -le $((2 * MIB)) ] || return 0
    command -v mscompress >/dev/null 2>&1 || return 0
    mkdir -p "$dir" && cp "$in" "$dir/f" && rm -f "$dir/f_" && mscompress "$dir/f" || return 1
    THEIRS=$(size "$dir/f_")
    [ "$(size "$ours")" -le "$THEIRS" ]
}

# check NAME FILE [CHAR]: pack (with -c CHAR when given), then verify the result.
check() {
    local name=$1 in=$2 out="$WORK/$1.sz" code=0 opt=()
    if [ $# -ge 3 ]; then opt=(-c "$3"); code=$(printf %d "'$3"); fi
    if ! "$SZDD" "${opt[@]}" "$in" "$out" >"$WORK/msg" 2>&1; then
        fail "$name" "szdd failed: $(cat "$WORK/msg")"; return
    fi
    [ -s "$WORK/msg" ] && { fail "$name" "szdd printed: $(head -c 200 "$WORK/msg")"; return; }
    header "$(size "$in")" "$code" >"$WORK/hdr"
    cmp -s -n 14 "$WORK/hdr" "$out" || { fail "$name" "wrong header"; return; }
    msexpand <"$out" >"$WORK/back" || { fail "$name" "msexpand failed"; return; }
    cmp -s "$WORK/back" "$in" || { fail "$name" "expands to different bytes"; return; }
    local optimum
    optimum=$("$SZDD" --size "$in")
    [ "$optimum" = "$(size "$out")" ] || { fail "$name" "--size $optimum, file $(size "$out")"; return; }
    THEIRS=-
    beats_mscompress "$in" "$out" || { fail "$name" "$(size "$out") > mscompress $THEIRS"; return; }
    pass "$name" "$(size "$in") -> $(size "$out"), mscompress $THEIRS"
}

# With FSIZE_KIB set, writes past that size fail (EFBIG: XFSZ is ignored, not fatal).
run_limited() {
    if [ -z "${FSIZE_KIB:-}" ]; then "$SZDD" "$@"; return; fi
    (trap '' XFSZ; ulimit -f "$FSIZE_KIB"; exec "$SZDD" "$@")
}

# must_fail NAME ARGS...: szdd must exit nonzero with a message and leave no output file.
must_fail() {
    local name=$1; shift
    rm -f "$WORK/none.sz"
    if run_limited "$@" >/dev/null 2>"$WORK/msg"; then fail "$name" "exit code 0"; return; fi
    [ -s "$WORK/msg" ] || { fail "$name" "no message on stderr"; return; }
    [ -e "$WORK/none.sz" ] && { fail "$name" "left an output file"; return; }
    pass "$name"
}

repeat() { head -c "$2" /dev/zero | tr '\0' "$1"; }

make_corpus() {
    local c="$WORK/in" b
    mkdir -p "$c"
    : >"$c/empty"
    printf x >"$c/one"
    printf xy >"$c/two"
    printf xyz >"$c/three"
    for n in 17 18 19; do repeat a $n >"$c/same$n"; done
    { repeat ' ' 40; echo "text after spaces"; } >"$c/spaces_start"
    for n in 4079 4080 4095 4096 4097; do { repeat ' ' $n; printf 'end'; } >"$c/spaces$n"; done
    head -c $MIB /dev/zero >"$c/run_1mib"
    head -c 65536 /dev/urandom >"$c/random_64k"
    for p in 4095 4096 4097; do
        head -c $p /dev/urandom >"$c/p"
        cat "$c/p" "$c/p" "$c/p" "$c/p" >"$c/period$p"
    done
    rm "$c/p"
    cp /usr/share/common-licenses/GPL-3 "$c/text_gpl3"
    cat /usr/share/common-licenses/* >"$c/text_licenses"
    for b in ls cmp bash; do
        command -v $b >/dev/null && cp "$(command -v $b)" "$c/bin_$b"
    done
    cat "$c"/text_* "$c"/bin_* /usr/bin/* 2>/dev/null | head -c $((5 * MIB)) >"$c/concat_5mib"
}

make_corpus
for f in "$WORK"/in/*; do check "$(basename "$f")" "$f"; done
check "last_char" "$WORK/in/text_gpl3" e
must_fail "missing_input" "$WORK/in/absent" "$WORK/none.sz"
must_fail "output_is_a_folder" "$WORK/in/text_gpl3" "$WORK/in"
FSIZE_KIB=1 must_fail "write_fails_part_way" "$WORK/in/text_gpl3" "$WORK/none.sz"
must_fail "no_arguments"
must_fail "two_char_option" -c ab "$WORK/in/text_gpl3" "$WORK/none.sz"

echo "$passed passed, $failed failed"
if [ "$failed" -ne 0 ]; then
    echo "inputs kept in $WORK"
    exit 1
fi
rm -rf "$WORK"
