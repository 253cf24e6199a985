#!/usr/bin/env bash
# scripts/release with a throwaway certificate authority made here: both
# programs verify against it, the installer carries and writes the signed
# saver, the checksums hold; a wrong password or an expired certificate
# leaves no programs behind; and without a certificate the release is the
# build itself. Argument: the build folder of the tests (its bin/ and the
# Wine prefixes of scripts/wine-run).
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "$1")
unset TELV_SIGN_PFX TELV_SIGN_PASSWORD TELV_SIGN_TIMESTAMP
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# Runs the command after the description and counts it when it fails.
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

# The authority and a code-signing certificate from it, packed with its key.
cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 2 -subj "/CN=Telv Throwaway CA" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Telv Throwaway Signer" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
openssl x509 -req -in signer.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 1 -extfile signer.ext \
  -out signer.crt 2>/dev/null
openssl pkcs12 -export -inkey signer.key -in signer.crt -certfile ca.crt -passout pass:throwaway -out signer.pfx
# The same signer's certificate as the authority issued it for two days of
# 2020: long expired.
cat >ca.cnf <<'CONFIG'
[ca]
default_ca = throwaway
[throwaway]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
[any]
commonName = supplied
CONFIG
touch index.txt
echo 01 >serial
openssl ca -batch -config ca.cnf -cert ca.crt -keyfile ca.key -in signer.csr -extfile signer.ext \
  -startdate 20200101000000Z -enddate 20200103000000Z -out expired.crt 2>/dev/null
openssl pkcs12 -export -inkey signer.key -in expired.crt -certfile ca.crt -passout pass:throwaway -out expired.pfx

out="$work/out"
check "signed release made" env TELV_SIGN_PFX=signer.pfx TELV_SIGN_PASSWORD=throwaway "$source/scripts/release" "$out"
for f in telv.scr telvinst.exe; do
  check "$f verifies against the authority" sh -c 'osslsigncode verify -CAfile ca.crt -in "$1" >"$2" 2>&1' sh "$out/$f" "$f.txt"
  check "$f names Telv in its signature" grep -q "Text description: Telv" "$f.txt"
done
osslsigncode remove-signature -in "$out/telv.scr" -out unsigned.scr >/dev/null
check "the signed saver is the build's plus a signature" cmp unsigned.scr "$build/bin/telv.scr"
# The signed saver is the unsigned one with a signature appended and its
# header updated, so its bytes whole lie in the installer only if the
# installer carries the signed copy.
check "the installer carries the signed saver" python3 -c \
  'import sys; sys.exit(open(sys.argv[1], "rb").read().find(open(sys.argv[2], "rb").read()) < 0)' \
  "$out/telvinst.exe" "$out/telv.scr"
check "SHA256SUMS holds" sh -c 'cd "$1" && sha256sum --quiet -c SHA256SUMS' sh "$out"

# The signed installer, run quietly under Wine, writes the signed saver.
windows="$build/wine/800x600x24/prefix/drive_c/windows"
rm -f "$windows/Telv.scr"
check "the signed installer ends with 0" env TELV_BUILD_DIR="$build" TELV_SCREEN=800x600x24 TELV_MONITORS= TELV_DPI=96 \
  "$source/scripts/wine-run" "$out/telvinst.exe" /quiet
check "it wrote the signed saver" cmp "$windows/Telv.scr" "$out/telv.scr"

# A wrong password: a failure with a message, and no programs in OUT.
if env TELV_SIGN_PFX=signer.pfx TELV_SIGN_PASSWORD=wrong "$source/scripts/release" "$out" >wrong.log 2>&1; then
  check "a wrong password fails" false
fi
check "the failure names the password" grep -q "wrong TELV_SIGN_PASSWORD" wrong.log
check "OUT is left empty" test -z "$(ls -A "$out")"

# An expired certificate: refused before anything is signed, with a message.
if env TELV_SIGN_PFX=expired.pfx TELV_SIGN_PASSWORD=throwaway "$source/scripts/release" "$out" >expired.log 2>&1; then
  check "an expired certificate fails" false
fi
check "the failure says the certificate has expired" grep -q "has expired (notAfter=Jan  3 00:00:00 2020 GMT)" expired.log
check "OUT is still empty" test -z "$(ls -A "$out")"

# Without a certificate: unsigned, said so, and the build's own bytes.
check "unsigned release made" sh -c '"$1" "$2" >unsigned.log 2>&1' sh "$source/scripts/release" "$out"
check "it says it is unsigned" grep -q "^release: unsigned" unsigned.log
for f in telv.scr telvinst.exe; do
  check "unsigned $f is the build's" cmp "$out/$f" "$build/bin/$f"
done

echo "$failures failed"
[ "$failures" -eq 0 ]
