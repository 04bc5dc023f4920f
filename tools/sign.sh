#!/bin/bash
# Signs the setup program of each build folder with Authenticode (SHA-256), as the last
# step: BUILD/setup.exe is left as it is, the signed program is BUILD/signed/setup.exe.
# Settings, from make's variables or the environment:
#   SIGN_CERT           the certificate (PEM, with its chain), or a PKCS#12 bundle (.p12/.pfx)
#   SIGN_KEY            the private key (PEM); empty with a PKCS#12 bundle
#   SIGN_PASS_FILE      a file holding the password of the key or bundle (optional)
#   SIGN_TIMESTAMP_URL  an RFC 3161 time-stamping server (optional)
# Usage: sign.sh BUILD_DIR...
set -u
[ $# -ge 1 ] || { echo "usage: sign.sh BUILD_DIR..." >&2; exit 2; }
: "${SIGN_CERT:=}" "${SIGN_KEY:=}" "${SIGN_PASS_FILE:=}" "${SIGN_TIMESTAMP_URL:=}"
[ -n "$SIGN_CERT" ] || { echo "sign: SIGN_CERT is not set (make sign SIGN_CERT=cert.pem SIGN_KEY=key.pem)" >&2; exit 2; }
[ -f "$SIGN_CERT" ] || { echo "sign: no certificate file $SIGN_CERT" >&2; exit 2; }
command -v osslsigncode >/dev/null || { echo "sign: osslsigncode is not installed (make deps)" >&2; exit 2; }

if [ -n "$SIGN_KEY" ]; then
  [ -f "$SIGN_KEY" ] || { echo "sign: no key file $SIGN_KEY" >&2; exit 2; }
  identity=(-certs "$SIGN_CERT" -key "$SIGN_KEY")
else
  case "$SIGN_CERT" in
    *.p12|*.pfx|*.P12|*.PFX) identity=(-pkcs12 "$SIGN_CERT") ;;
    *) echo "sign: SIGN_KEY is not set and $SIGN_CERT is no PKCS#12 bundle (.p12, .pfx)" >&2; exit 2 ;;
  esac
fi
if [ -n "$SIGN_PASS_FILE" ]; then
  [ -f "$SIGN_PASS_FILE" ] || { echo "sign: no password file $SIGN_PASS_FILE" >&2; exit 2; }
  identity+=(-readpass "$SIGN_PASS_FILE")
fi
stamp=()
[ -n "$SIGN_TIMESTAMP_URL" ] && stamp=(-ts "$SIGN_TIMESTAMP_URL")

status=0
for build in "$@"; do
  in="$build/setup.exe" out="$build/signed/setup.exe"
  [ -f "$in" ] || { echo "sign: $in is missing (make build first)" >&2; status=1; continue; }
  mkdir -p "$build/signed"
  rm -f "$out" "$out.tmp"
  # Write beside the result and rename at the end: a failed signing leaves no file.
  if osslsigncode sign "${identity[@]}" -h sha256 -n "NEXFER Pro Setup" "${stamp[@]}" \
       -in "$in" -out "$out.tmp" >"$build/signed/sign.log" 2>&1; then
    mv "$out.tmp" "$out"
    echo "Signed: $out"
  else
    rm -f "$out.tmp"
    echo "sign: signing $in failed:" >&2
    cat "$build/signed/sign.log" >&2
    status=1
  fi
done
exit $status
