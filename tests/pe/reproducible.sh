#!/bin/sh
# Builds the DLL again in a fresh tree, configured as the first, and compares it byte for byte
# with the first build: nothing in it may depend on the time or on where it was built.
# usage: reproducible.sh SOURCE_DIR BUILD_DIR FIRST_DLL WORK_DIR TARGET
set -eu
src=$1 build=$2 first=$3 work=$4 target=$5
rm -rf "$work"
# The same cache variables (toolchain, preset settings) as the first build.
mkdir -p "$work"
sed -n -f "$src/tests/pe/preset-settings.sed" "$build/CMakeCache.txt" > "$work/first-build.cmake"
cmake -S "$src" -B "$work" -C "$work/first-build.cmake" >/dev/null
cmake --build "$work" --target "$target" >/dev/null
second=$work/${first#"$build"/}
if cmp "$first" "$second"; then
    echo "two builds are byte-identical ($(wc -c < "$first") bytes)"
else
    echo "the second build differs from the first"
    exit 1
fi
