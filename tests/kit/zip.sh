#!/bin/bash
# Makes the kit's ZIP with cpack, unpacks it and checks its file list and contents.
# usage: zip.sh BUILD_DIR WORK_DIR
set -uo pipefail
build=$1 work=$2
rm -rf "$work"
mkdir -p "$work/unpacked"
(cd "$build" && cpack -G ZIP -B "$work" >/dev/null) || { echo "cpack failed"; exit 1; }
zip=$(ls "$work"/LegalPrompt-*-win32.zip) || { echo "no ZIP written"; exit 1; }
(cd "$work/unpacked" && cmake -E tar xf "$zip") || { echo "cannot unpack $zip"; exit 1; }

top=$(basename "$zip" .zip)
want="$top/bin/legalprompt.dll
$top/bin/legalprompt.exe
$top/bin/liscn.exe
$top/include/legalprompt.h
$top/lib/cmake/LegalPrompt/LegalPromptConfig.cmake
$top/lib/cmake/LegalPrompt/LegalPromptConfigVersion.cmake
$top/lib/legalprompt.lib
$top/lib/liblegalprompt.dll.a
$top/share/LegalPrompt/liscn.txt"
have=$(cd "$work/unpacked" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
echo "$have"
[ "$have" = "$want" ] || { echo "the file list differs from:"; echo "$want"; exit 1; }
cmp "$build/legalprompt.dll" "$work/unpacked/$top/bin/legalprompt.dll" || exit 1
grep -q $'\r$' "$work/unpacked/$top/share/LegalPrompt/liscn.txt" || { echo "sample text lacks CR LF"; exit 1; }
echo "$(basename "$zip"): $(wc -c < "$zip") bytes"
