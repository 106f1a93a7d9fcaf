#!/bin/sh
# Builds the DLL again in a fresh tree and compares it byte for byte with the first build:
# nothing in it may depend on the time or on where it was built.
# usage: reproducible.sh SOURCE_DIR FIRST_DLL WORK_DIR win32|win64
set -eu
src=$1 first=$2 work=$3 preset=$4
rm -rf "$work"
cd "$src"
cmake --preset "$preset" -B "$work" >/dev/null
cmake --build "$work" --target legalprompt >/dev/null
if cmp "$first" "$work/legalprompt.dll"; then
    echo "two builds are byte-identical ($(wc -c < "$first") bytes)"
else
    echo "the second build differs from the first"
    exit 1
fi
