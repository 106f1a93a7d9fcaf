#!/bin/bash
# Installs what is missing, then configures, builds and tests every preset: the host unit
# tests, the same under AddressSanitizer and UBSan, and the Windows DLL with its checks.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1

failed=()
for preset in host host-asan win32; do
    echo "== preset $preset"
    cmake --preset "$preset" >/dev/null &&
        cmake --build --preset "$preset" -j 2 >/dev/null &&
        ctest --preset "$preset" || failed+=("$preset")
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED presets: ${failed[*]}"
    exit 1
fi
