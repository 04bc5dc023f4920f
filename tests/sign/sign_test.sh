#!/bin/bash
# Signing as the README tells a distributor: tailor with setupkit, then sign last, with
# a certificate made here by openssl (PEM, and a PKCS#12 bundle with a password file).
# osslsigncode verifies the result against that CA with SHA-256; the signed program still
# installs quietly under Wine; a byte changed after signing fails verification; setupkit
# refuses the signed program unless forced. No network: no time stamp.
# Usage: sign_test.sh BUILD_DIR sign.sh
# setupkit.exe, setup.exe and the sample product are those of the build under test.
set -u
sign="$2"
source "$(dirname "$0")/../harness/wine-lib.sh" "$1"
build="$NX_PRODUCT_BUILD"
for tool in openssl osslsigncode; do
  command -v $tool >/dev/null || { echo "$tool is not installed (make deps)"; exit 1; }
done
failed=0
check() {
  local what="$1"; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failed=$((failed + 1)); fi
}
winpath() { local p="$1"; printf 'Z:%s' "${p//\//\\}"; }
# kit ARGS...: runs setupkit.exe; its exit code in kit_rc, its output in $work/kit.out.
kit() { "$WINE" "$build/setupkit.exe" "$@" </dev/null >"$work/kit.out" 2>&1; kit_rc=$?; cat "$work/kit.out"; }
verifies() { osslsigncode verify -CAfile "$2" -in "$1" >"$1.verify" 2>&1; }

new_own_prefix sign
work=$(mktemp -d "$NX_TEST_ROOT/sign.XXXXXX")
trap 'drop_own_prefix; rm -rf "$work"' EXIT
cd "$work" || exit 2

# A CA, a code-signing certificate it issued, the same as a PKCS#12 bundle, another CA.
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Quorvane Test Root" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign" 2>/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -keyout other.key -out other.pem -days 2 -subj "/CN=Other Root" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Quorvane Test Signer" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile signer.ext \
  -out signer.pem 2>/dev/null
echo "bundle password" >pass.txt
openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -passout file:pass.txt -out signer.p12
check "openssl made the certificates" test -s signer.pem -a -s signer.p12

# Tailor first: a quiet, logging installation into its own folder.
printf '[INSTALL]\r\nQUIET=TRUE\r\nLOGGING=TRUE\r\nALLOWRBT=FALSE\r\n[NEXFER]\r\nDIR32=C:\\Signed NX\r\n' >quiet.ini
mkdir -p pem p12
kit options "$(winpath "$build/setup.exe")" "$(winpath "$work/quiet.ini")" -o "$(winpath "$work/pem/setup.exe")"
check "setupkit tailors the unsigned program" test "$kit_rc" = 0
cp pem/setup.exe p12/setup.exe
cp pem/setup.exe tailored.exe

# Then sign, both ways.
SIGN_CERT=signer.pem SIGN_KEY=signer.key bash "$sign" pem
check "sign.sh signs with a PEM certificate and key" test -s pem/signed/setup.exe
SIGN_CERT=signer.p12 SIGN_PASS_FILE=pass.txt bash "$sign" p12
check "sign.sh signs with a PKCS#12 bundle and its password file" test -s p12/signed/setup.exe
for kind in pem p12; do
  signed="$kind/signed/setup.exe"
  check "$kind: osslsigncode verifies the signature against the CA" verifies "$signed" ca.pem
  check "$kind: the signature verifies" grep -q '^Signature verification: ok' "$signed.verify"
  check "$kind: the digest is SHA-256" grep -q '^Message digest algorithm *: SHA256' "$signed.verify"
  check "$kind: the unsigned program is left as it was" cmp -s tailored.exe "$kind/setup.exe"
done
check "another CA does not accept the signature" bash -c "! osslsigncode verify -CAfile other.pem -in pem/signed/setup.exe >/dev/null 2>&1"
mkdir -p nocert
cp pem/setup.exe nocert/
check "sign.sh without a certificate fails and writes nothing" \
  bash -c "! SIGN_CERT= bash '$sign' nocert 2>/dev/null && ! test -e nocert/signed/setup.exe"

# A program changed after signing fails verification.
cp pem/signed/setup.exe tampered.exe
printf '\x5a' | dd of=tampered.exe bs=1 seek=$((0x3000)) conv=notrunc 2>/dev/null
check "the changed copy differs from the signed program" bash -c "! cmp -s tampered.exe pem/signed/setup.exe"
check "a program changed after signing fails verification" bash -c "! osslsigncode verify -CAfile ca.pem -in tampered.exe >tampered.log 2>&1"
check "verification names the digest mismatch" grep -q MISMATCH tampered.log

# setupkit refuses the signed program; forced, it drops the signature that no longer matches.
before=$(md5sum <pem/signed/setup.exe)
kit list "$(winpath "$work/pem/signed/setup.exe")" >/dev/null
check "setupkit lists the program as signed" bash -c "head -1 '$work/kit.out' | grep -q 'payload rows, signed'"
kit options "$(winpath "$work/pem/signed/setup.exe")" "$(winpath "$work/quiet.ini")"
check "setupkit refuses a signed program (exit code 5)" test "$kit_rc" = 5
check "setupkit says why" grep -q 'is signed' "$work/kit.out"
check "the signed program is untouched" test "$before" = "$(md5sum <pem/signed/setup.exe)"
kit options "$(winpath "$work/pem/signed/setup.exe")" "$(winpath "$work/quiet.ini")" -o "$(winpath "$work/forced.exe")" --force
check "setupkit --force changes a copy of the signed program" test "$kit_rc" = 0
check "the forced copy carries no signature" bash -c "! osslsigncode verify -CAfile ca.pem -in forced.exe >/dev/null 2>&1"
kit list "$(winpath "$work/forced.exe")" >/dev/null
check "setupkit lists the forced copy as unsigned" bash -c "head -1 '$work/kit.out' | grep -q 'payload rows' && ! head -1 '$work/kit.out' | grep -q signed"

# The signed program still installs quietly.
# Complete with a restart due (the explorer interface registered itself): 3010, of
# which the host sees the low eight bits, 194.
"$WINE" "$work/pem/signed/setup.exe" </dev/null >/dev/null 2>&1
check "the signed program ends with exit code 3010" test $? = 194
dest="$WINEPREFIX/drive_c/Signed NX"
check "the signed program installed the product" cmp -s "$dest/nxf95pro.exe" "$build/sample-product/nxf95pro.exe"
check "the signed program installed the site lists" cmp -s "$dest/sites8.ini" "$build/sample-product/sites8.ini"
check "the quiet run wrote its log" bash -c "find '$WINEPREFIX/drive_c/users' -name setup.log | grep -q ."

echo "$failed failed"
[ $failed = 0 ]
