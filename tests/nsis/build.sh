#!/bin/bash
# Builds the test installers with makensis from a copy of the kit's NSIS folder, once for each
# installer target: the kit's example, the installer with the agreement after another page,
# and the example over plug-ins that carry a damaged library (broken-setup.exe), a prompt
# program that cannot start (unstartable-setup.exe) and a program that only exits 0, as one
# put in the prompt program's place would (substitute-setup.exe).
# usage: build.sh MAKENSIS NSIS_FOLDER PAGES_NSI OUT_DIR VARIANT_PLUGINS TARGET...
set -uo pipefail
makensis=$1 folder=$2 pages=$3 out=$4 variants=$5
shift 5
rm -rf "$out"
mkdir -p "$out/source"
cp -r "$folder"/. "$out/source/" && cp "$pages" "$out/source/" || exit 1
for variant in broken unstartable substitute; do
    mkdir -p "$out/$variant" && cp -r "$folder"/. "$out/$variant/" || exit 1
    for target in "$@"; do
        cp "$variants/$variant/$target/legalprompt_nsis.dll" "$out/$variant/$target/" || exit 1
    done
done
for target in "$@"; do
    mkdir -p "$out/$target"
    for build in source/example.nsi:example-setup.exe source/pages.nsi:pages-setup.exe \
            broken/example.nsi:broken-setup.exe unstartable/example.nsi:unstartable-setup.exe \
            substitute/example.nsi:substitute-setup.exe; do
        script=${build%%:*} installer=${build#*:}
        log=$out/$target/${installer%.exe}.log
        if ! (cd "$out/$(dirname "$script")" && "$makensis" -V2 "-XTarget $target" "$(basename "$script")") \
                > "$log" 2>&1; then
            echo "makensis failed for $script, target $target:"
            cat "$log"
            exit 1
        fi
        made=$(sed -n 's/^OutFile "\(.*\)"/\1/p' "$out/$script")
        mv "$out/$(dirname "$script")/$made" "$out/$target/$installer"
        echo "$target/$installer: $(wc -c < "$out/$target/$installer") bytes"
    done
done
