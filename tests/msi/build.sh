#!/bin/bash
# Builds the test packages with wixl from a copy of the kit's msi folder: the kit's example, and
# the example over a damaged library (broken.msi).
# usage: build.sh WIXL MSI_FOLDER OUT_DIR x86|x64
set -uo pipefail
wixl=$1 folder=$2 out=$3 arch=$4
rm -rf "$out"
mkdir -p "$out/source" "$out/broken"
cp -r "$folder"/. "$out/source/" && cp -r "$folder"/. "$out/broken/" || exit 1
echo "not a library" > "$out/broken/legalprompt.dll"
for build in source:example.msi broken:broken.msi; do
    dir=$out/${build%%:*} package=$out/${build#*:}
    if ! (cd "$dir" && "$wixl" -a "$arch" -D LegalPromptDir=. -o "$package" example.wxs) > "$package.log" 2>&1; then
        echo "wixl failed for $build:"
        cat "$package.log"
        exit 1
    fi
    echo "$(basename "$package"): $(wc -c < "$package") bytes"
done
