#!/usr/bin/env bash
# Signs copies of the stand-in package for the signer-check tests, with certificates made
# here: a test root, the expected signer and another publisher, both issued by that root.
#   sign_packages.sh <package> <output folder>
# Writes root.der (for the test to trust), signed.exe, other_signer.exe and tampered.exe
# (signed.exe with one byte of its image changed after signing).
set -euo pipefail
package=$1 out=$2
work="$out/work"
# osslsigncode writes no file that exists already: a rebuild starts from nothing.
rm -rf "$work" "$out/signed.exe" "$out/other_signer.exe" "$out/tampered.exe" "$out/root.der"
mkdir -p "$work"
days=3650
openssl req -x509 -newkey rsa:2048 -nodes -days $days -subj "/CN=Tavelo Test Root" \
  -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -keyout "$work/root.key" -out "$work/root.pem" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >"$work/leaf.ext"
issue() {  # issue <name> <common name>
  openssl req -newkey rsa:2048 -nodes -subj "/CN=$2" -keyout "$work/$1.key" -out "$work/$1.csr" 2>/dev/null
  openssl x509 -req -in "$work/$1.csr" -CA "$work/root.pem" -CAkey "$work/root.key" -CAcreateserial \
    -days $days -extfile "$work/leaf.ext" -out "$work/$1.pem" 2>/dev/null
}
issue signer "Zelkor Soft Test Signer"
issue other "Another Publisher"
sign() {  # sign <certificate name> <output>
  osslsigncode sign -certs "$work/$1.pem" -key "$work/$1.key" -h sha256 -n "Tavelo" \
    -in "$package" -out "$2" >/dev/null
}
sign signer "$out/signed.exe"
sign other "$out/other_signer.exe"
# One byte in the middle of the signed file: inside the image and its payload, which the
# signature covers.
cp "$out/signed.exe" "$out/tampered.exe"
size=$(stat -c %s "$out/tampered.exe")
python3 - "$out/tampered.exe" $((size / 2)) <<'PY'
import sys
path, offset = sys.argv[1], int(sys.argv[2])
with open(path, "r+b") as f:
    f.seek(offset)
    b = f.read(1)
    f.seek(offset)
    f.write(bytes([b[0] ^ 0x5A]))
PY
openssl x509 -in "$work/root.pem" -outform der -out "$out/root.der"
rm -rf "$work"
