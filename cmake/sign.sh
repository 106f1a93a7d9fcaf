#!/bin/sh
# Signs FILE in place (Authenticode, SHA-256) with the certificate and key of a PKCS#12 file,
# its password read from PASSWORD_FILE and the signature time-stamped by TIMESTAMP_URL where
# those are not empty.  A failure leaves FILE unsigned and fails the build.
# usage: sign.sh OSSLSIGNCODE PKCS12 PASSWORD_FILE TIMESTAMP_URL FILE
set -eu
tool=$1 pkcs12=$2 password=$3 url=$4 file=$5
set -- sign -pkcs12 "$pkcs12" -h sha256 -n LegalPrompt
[ -z "$password" ] || set -- "$@" -readpass "$password"
[ -z "$url" ] || set -- "$@" -ts "$url"
rm -f "$file.signed"
"$tool" "$@" -in "$file" -out "$file.signed" >/dev/null || { rm -f "$file.signed"; exit 1; }
mv -f "$file.signed" "$file"
