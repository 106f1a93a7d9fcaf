#!/bin/bash
# Makes the kit's ZIP with cpack, unpacks it and checks its file list and contents.
# usage: zip.sh BUILD_DIR WORK_DIR win32|win64 SOURCE_DIR
set -uo pipefail
build=$1 work=$2 arch=$3 source=$4
rm -rf "$work"
mkdir -p "$work/unpacked"
(cd "$build" && cpack -G ZIP -B "$work" >/dev/null) || { echo "cpack failed"; exit 1; }
zip=$(ls "$work"/LegalPrompt-*-"$arch".zip) || { echo "no ZIP written"; exit 1; }
(cd "$work/unpacked" && cmake -E tar xf "$zip") || { echo "cannot unpack $zip"; exit 1; }

top=$(basename "$zip" .zip)
want="$top/CHANGELOG.md
$top/LICENSE
$top/SHA256SUMS
$top/bin/legalprompt.dll
$top/bin/legalprompt.exe
$top/bin/legalpromptw.exe
$top/bin/liscn.exe
$top/include/legalprompt.h
$top/lib/cmake/LegalPrompt/LegalPromptConfig.cmake
$top/lib/cmake/LegalPrompt/LegalPromptConfigVersion.cmake
$top/lib/legalprompt.lib
$top/lib/liblegalprompt.dll.a
$top/share/LegalPrompt/go/example/go.mod
$top/share/LegalPrompt/go/example/main.go
$top/share/LegalPrompt/go/go.mod
$top/share/LegalPrompt/go/legalprompt.go
$top/share/LegalPrompt/liscn.txt
$top/share/LegalPrompt/msi/LegalPrompt.wxi
$top/share/LegalPrompt/msi/example.wxs
$top/share/LegalPrompt/msi/legalprompt.dll
$top/share/LegalPrompt/msi/legalprompt_msi.dll
$top/share/LegalPrompt/msi/legalpromptw.exe
$top/share/LegalPrompt/msi/liscn.txt
$top/share/LegalPrompt/msi/readme.txt
$top/share/LegalPrompt/nsis/LegalPrompt.nsh
$top/share/LegalPrompt/nsis/amd64-unicode/legalprompt_nsis.dll
$top/share/LegalPrompt/nsis/example.nsi
$top/share/LegalPrompt/nsis/liscn.txt
$top/share/LegalPrompt/nsis/readme.txt
$top/share/LegalPrompt/nsis/x86-ansi/legalprompt_nsis.dll
$top/share/LegalPrompt/nsis/x86-unicode/legalprompt_nsis.dll"
# The Rust crate, in the 64-bit kit: Debian has the Windows standard library for 64-bit alone.
[ "$arch" = win64 ] && want+="
$top/share/LegalPrompt/rust/Cargo.toml
$top/share/LegalPrompt/rust/examples/setup.rs
$top/share/LegalPrompt/rust/src/lib.rs"
have=$(cd "$work/unpacked" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
echo "$have"
[ "$have" = "$want" ] || { echo "the file list differs from:"; echo "$want"; exit 1; }
cmp "$build/legalprompt.dll" "$work/unpacked/$top/bin/legalprompt.dll" || exit 1
# The kit's own checksums: one line for every other file, each right.
listed=$(sed 's/^[0-9a-f]\{64\}  //' "$work/unpacked/$top/SHA256SUMS")
[ "$listed" = "$(grep -v '/SHA256SUMS$' <<< "$have" | sed "s|^$top/||")" ] ||
    { echo "SHA256SUMS does not list every other file of the kit, in order:"; echo "$listed"; exit 1; }
(cd "$work/unpacked/$top" && sha256sum --quiet -c SHA256SUMS) || { echo "SHA256SUMS does not match the kit"; exit 1; }
# Staged as packagers do (DESTDIR), over a prefix that already holds a kit with a changed file:
# the staged kit's list is of the staged files, named from its own top.
cmake --install "$build" --prefix "$work/prefix" >/dev/null && echo changed > "$work/prefix/bin/legalprompt.dll" &&
    DESTDIR="$work/staged" cmake --install "$build" --prefix "$work/prefix" >/dev/null || { echo "cannot stage the kit"; exit 1; }
(cd "$work/staged$work/prefix" && sha256sum --quiet -c SHA256SUMS && cmp SHA256SUMS "$work/unpacked/$top/SHA256SUMS") ||
    { echo "a staged kit's SHA256SUMS is not that of its own files"; exit 1; }
for f in LICENSE CHANGELOG.md; do cmp "$source/$f" "$work/unpacked/$top/$f" || exit 1; done
# Each program in the kit, and each that a package takes, is of the kit's width: PE32 (0x10B) for win32, PE32+ (0x20B) for win64.
want_magic=$([ "$arch" = win64 ] && echo 020b || echo 010b)
for f in "$work/unpacked/$top"/bin/* "$work/unpacked/$top"/share/LegalPrompt/msi/*.{dll,exe}; do
    pe=$(od -An -tu4 -j60 -N4 "$f" | tr -d ' ')
    magic=$(od -An -tx2 -j$((pe + 24)) -N2 "$f" | tr -d ' ')
    [ "$magic" = "$want_magic" ] || { echo "$(basename "$f") is not a $arch program (magic $magic)"; exit 1; }
done
grep -q $'\r$' "$work/unpacked/$top/share/LegalPrompt/liscn.txt" || { echo "sample text lacks CR LF"; exit 1; }
# The NSIS folder holds a plug-in for each installer target, each where the include looks for it.
for width in x86-unicode:010b x86-ansi:010b amd64-unicode:020b; do
    for f in "$work/unpacked/$top/share/LegalPrompt/nsis/${width%:*}"/*; do
        pe=$(od -An -tu4 -j60 -N4 "$f" | tr -d ' ')
        magic=$(od -An -tx2 -j$((pe + 24)) -N2 "$f" | tr -d ' ')
        [ "$magic" = "${width#*:}" ] || { echo "nsis/${width%:*}/$(basename "$f") has magic $magic"; exit 1; }
    done
done
size=$(wc -c < "$zip")
echo "$(basename "$zip"): $size bytes"
# What a user downloads for a 4 KB library: most of it is the text tool; at most 250 KB.
[ "$size" -lt 250000 ] || { echo "the ZIP is $size bytes, 250000 or more"; exit 1; }
