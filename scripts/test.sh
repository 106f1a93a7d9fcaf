#!/bin/bash
# Installs what is missing, then runs the workflow (configure, build, test) of every preset:
# the text tool's tests, the same under AddressSanitizer and UBSan, and the Windows DLL with its
# checks and its tests under Wine for 32-bit and for 64-bit Windows, built by MinGW-w64 and
# again by the MSVC toolchain.  Ends with what each preset gave and which widths of Windows
# programs ran under Wine on this machine.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1

# Builds use every core of the machine they run on: the presets name no number.
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
logs=build/test-logs
mkdir -p "$logs"
failed=()
presets=(host host-asan win32 win64 msvc-win32 msvc-win64)
for preset in "${presets[@]}"; do
    # The preset's workflow: configure, build, test.  What the configure and build steps print
    # goes to the log only; a failure there shows the end of it.
    echo "== preset $preset"
    cmake --workflow --preset "$preset" > "$logs/$preset.log" 2>&1
    status=$?
    if grep -q '^Test project' "$logs/$preset.log"; then
        sed -n '/^Test project/,$p' "$logs/$preset.log"
    else
        tail -n 30 "$logs/$preset.log"
        echo "the $preset build failed" | tee -a "$logs/$preset.log"
    fi
    [ $status -eq 0 ] || failed+=("$preset")
done

echo "== summary"
for preset in "${presets[@]}"; do
    result=$(grep -E '^[0-9]+% tests passed|build failed' "$logs/$preset.log" | tail -n 1)
    skipped=$(grep -c '(Skipped)$' "$logs/$preset.log")
    printf '%-10s %s%s\n' "$preset" "${result:-no result}" \
        "$([ "$skipped" -gt 0 ] && echo ", $skipped skipped")"
done
# Which widths of Windows programs ran, from what each preset's run says: a build that failed
# ran nothing, and a skipped test gives its own reason.
ran=() not=()
for arch in win32 win64 msvc-win32 msvc-win64; do
    if grep -q 'build failed' "$logs/$arch.log"; then
        not+=("$arch: its build failed")
    elif grep -q '(Skipped)$' "$logs/$arch.log"; then
        why=$(grep -m 1 -h '^skipped: ' "build/$arch/Testing/Temporary/LastTest.log" 2>/dev/null)
        why=${why#skipped: }
        not+=("$arch: ${why:-tests were skipped}")
    else
        ran+=("$arch")
    fi
done
echo "Windows programs ran under Wine for: ${ran[*]:-none}"
for line in "${not[@]}"; do echo "not run under Wine: $line"; done
if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED presets: ${failed[*]}"
    exit 1
fi
