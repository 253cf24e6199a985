#!/usr/bin/env bash
# scripts/release with a throwaway certificate authority made here: both
# programs verify against it, the installer carries and writes the signed
# saver, the checksums hold; a wrong password leaves no programs behind; and
# without a certificate the release is the build itself. Argument: the build
# folder of the tests (its bin/ and the Wine prefixes of scripts/wine-run).
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

# Writes the bytes of resource DATA 10 of the program $1, found through the
# resource directory of its PE image (type, name, language).
payload() {
  python3 - "$1" <<'PY'
import struct, sys
image = open(sys.argv[1], 'rb').read()
pe = struct.unpack_from('<I', image, 0x3c)[0]
count, optional = struct.unpack_from('<H', image, pe + 6)[0], struct.unpack_from('<H', image, pe + 20)[0]
root = struct.unpack_from('<I', image, pe + 24 + 96 + 2 * 8)[0]  # PE32 data directory 2: resources
sections = [struct.unpack_from('<8xIIII', image, pe + 24 + optional + 40 * i) for i in range(count)]
def offset(rva):
    return next(rva - va + raw for size, va, rawsize, raw in sections if va <= rva < va + max(size, rawsize))
def entry(table, wanted):
    at = offset(root + table)
    named, ids = struct.unpack_from('<HH', image, at + 12)
    for i in range(named + ids):
        name, target = struct.unpack_from('<II', image, at + 16 + 8 * i)
        if name & 0x80000000:
            text = offset(root + (name & 0x7fffffff))
            name = image[text + 2:text + 2 + 2 * struct.unpack_from('<H', image, text)[0]].decode('utf-16-le')
        if wanted is None or name == wanted:
            return target & 0x7fffffff
language = entry(entry(entry(0, 'DATA'), 10), None)
rva, size = struct.unpack_from('<II', image, offset(root + language))
sys.stdout.buffer.write(image[offset(rva):offset(rva) + size])
PY
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

out="$work/out"
check "signed release made" env TELV_SIGN_PFX=signer.pfx TELV_SIGN_PASSWORD=throwaway "$source/scripts/release" "$out"
for f in telv.scr telvinst.exe; do
  check "$f verifies against the authority" \
    sh -c 'osslsigncode verify -CAfile "$1" -in "$2" >"$2.verify" 2>&1' sh ca.crt "$out/$f"
  check "$f names Telv in its signature" grep -q "Text description: Telv" "$out/$f.verify"
  rm -f "$out/$f.verify"
done
osslsigncode remove-signature -in "$out/telv.scr" -out unsigned.scr >/dev/null
check "the signed saver is the build's plus a signature" cmp unsigned.scr "$build/bin/telv.scr"
payload "$out/telvinst.exe" >payload.scr
check "the installer carries the signed saver" cmp payload.scr "$out/telv.scr"
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

# Without a certificate: unsigned, said so, and the build's own bytes.
check "unsigned release made" sh -c '"$1" "$2" >unsigned.log 2>&1' sh "$source/scripts/release" "$out"
check "it says it is unsigned" grep -q "^release: unsigned" unsigned.log
for f in telv.scr telvinst.exe; do
  check "unsigned $f is the build's" cmp "$out/$f" "$build/bin/$f"
done

echo "$failures failed"
[ "$failures" -eq 0 ]
