#!/bin/bash
# Builds the test installers with makensis from a copy of the kit's NSIS folder, once for each
# installer target: the kit's example and the welcome-then-agreement installer.
# usage: build.sh MAKENSIS NSIS_FOLDER PAGES_NSI OUT_DIR TARGET...
set -uo pipefail
makensis=$1 folder=$2 pages=$3 out=$4
shift 4
rm -rf "$out"
mkdir -p "$out/source"
cp -r "$folder"/. "$out/source/" && cp "$pages" "$out/source/" || exit 1
for target in "$@"; do
    mkdir -p "$out/$target"
    for script in example.nsi pages.nsi; do
        log=$out/$target/${script%.nsi}.log
        if ! (cd "$out/source" && "$makensis" -V2 "-XTarget $target" "$script") > "$log" 2>&1; then
            echo "makensis failed for $script, target $target:"
            cat "$log"
            exit 1
        fi
        installer=$(sed -n 's/^OutFile "\(.*\)"/\1/p' "$out/source/$script")
        mv "$out/source/$installer" "$out/$target/"
        echo "$target/$installer: $(wc -c < "$out/$target/$installer") bytes"
    done
done
