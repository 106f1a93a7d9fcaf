#!/bin/bash
# Builds the kit's Go example for Windows with golang-go, from a copy of the kit's go folder and
# with no downloads: with the library beside it (with-library/) and without (no-library/).
# usage: build.sh GO KIT_GO_FOLDER LIBRARY OUT_DIR 386|amd64
set -uo pipefail
go=$1 folder=$2 library=$3 out=$4 arch=$5
rm -rf "$out/source" "$out/with-library" "$out/no-library"
mkdir -p "$out/source" "$out/with-library" "$out/no-library" || exit 1
cp -r "$folder"/. "$out/source/" || exit 1
# Where Go keeps its builds and modules, and no settings of the machine's user.
export GOPROXY=off GOFLAGS=-mod=readonly GOCACHE=$out/cache GOPATH=$out/gopath GOENV=off
# The README's command.
(cd "$out/source/example" && GOOS=windows GOARCH=$arch "$go" build -ldflags=-H=windowsgui -o example.exe .) ||
    exit 1
cp "$out/source/example/example.exe" "$out/with-library/" && cp "$out/source/example/example.exe" "$out/no-library/" &&
    cp "$library" "$out/with-library/" || exit 1
echo "example.exe (windows/$arch): $(wc -c < "$out/with-library/example.exe") bytes"
