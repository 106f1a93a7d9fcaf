#!/bin/bash
# Builds the test packages with wixl from a copy of the kit's msi folder: the kit's example, and
# the example over a damaged library (broken.msi) and over a program that only exits 0, as one
# put in the prompt program's place would (substitute.msi).
# usage: build.sh WIXL MSI_FOLDER OUT_DIR x86|x64 SUBSTITUTE_EXE
set -uo pipefail
wixl=$1 folder=$2 out=$3 arch=$4 substitute=$5
rm -rf "$out"
mkdir -p "$out/source" "$out/broken" "$out/substitute"
for variant in source broken substitute; do cp -r "$folder"/. "$out/$variant/" || exit 1; done
echo "not a library" > "$out/broken/legalprompt.dll"
cp "$substitute" "$out/substitute/legalpromptw.exe" || exit 1
for build in source:example.msi broken:broken.msi substitute:substitute.msi; do
    dir=$out/${build%%:*} package=$out/${build#*:}
    if ! (cd "$dir" && "$wixl" -a "$arch" -D LegalPromptDir=. -o "$package" example.wxs) > "$package.log" 2>&1; then
        echo "wixl failed for $build:"
        cat "$package.log"
        exit 1
    fi
    echo "$(basename "$package"): $(wc -c < "$package") bytes"
done
