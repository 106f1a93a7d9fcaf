#!/bin/bash
# The release: the two kits' ZIPs, packed from the win32 and win64 presets' builds, and
# SHA256SUMS beside them, in build/release.  Configure and build both presets first (the test
# command does), with the signing settings when the binaries are to be signed:
#   cmake --preset win64 -DLEGALPROMPT_SIGN_PKCS12=/abs/path/cert.p12 \
#         -DLEGALPROMPT_SIGN_PASSWORD_FILE=/abs/path/password.txt
# usage: scripts/release.sh [BUILD_ROOT]   (default: build)
set -uo pipefail
root=${1:+$(realpath -m -- "$1")}   # from the caller's folder
cd "$(dirname "$0")/.."
root=${root:-$PWD/build}
out=$root/release
rm -rf "$out"
mkdir -p "$out" || exit 1
for preset in win32 win64; do
    if [ ! -f "$root/$preset/CPackConfig.cmake" ]; then
        echo "release: $root/$preset is not built: cmake --preset $preset && cmake --build --preset $preset" >&2
        exit 1
    fi
    (cd "$root/$preset" && cpack -G ZIP -B "$out/$preset" > cpack.log 2>&1) ||
        { echo "release: cpack failed in $root/$preset (its cpack.log)" >&2; exit 1; }
    mv "$out/$preset"/LegalPrompt-*-"$preset".zip "$out/" && rm -rf "$out/$preset" || exit 1
done
(cd "$out" && sha256sum LegalPrompt-*.zip > SHA256SUMS && sha256sum -c SHA256SUMS) || exit 1
echo "release: $out"
