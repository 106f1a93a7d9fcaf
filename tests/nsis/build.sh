#!/bin/bash
# Builds the test installers with makensis from a copy of the kit's NSIS folder, once for each
# installer target: the kit's example, the installer with the agreement after another page,
# and the example over a damaged library (broken-setup.exe) and over a prompt program that
# cannot start (unstartable-setup.exe).
# usage: build.sh MAKENSIS NSIS_FOLDER PAGES_NSI OUT_DIR TARGET...
set -uo pipefail
makensis=$1 folder=$2 pages=$3 out=$4
shift 4
rm -rf "$out"
mkdir -p "$out/source" "$out/broken" "$out/unstartable"
cp -r "$folder"/. "$out/source/" && cp "$pages" "$out/source/" || exit 1
cp -r "$folder"/. "$out/broken/" && cp -r "$folder"/. "$out/unstartable/" || exit 1
for dll in "$out"/broken/*/legalprompt.dll; do echo "not a library" > "$dll"; done
for exe in "$out"/unstartable/*/legalpromptw.exe; do echo "not a program" > "$exe"; done
for target in "$@"; do
    mkdir -p "$out/$target"
    for build in source/example.nsi:example-setup.exe source/pages.nsi:pages-setup.exe \
            broken/example.nsi:broken-setup.exe unstartable/example.nsi:unstartable-setup.exe; do
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
