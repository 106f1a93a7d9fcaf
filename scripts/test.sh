#!/bin/bash
# Installs what is missing, then runs the workflow (configure, build, test) of every preset:
# the text tool's tests, the same under AddressSanitizer and UBSan, and the Windows DLL with its
# checks and its tests under Wine for 32-bit and for 64-bit Windows, built by MinGW-w64 and
# again by the MSVC toolchain (whose presets leave out what does not depend on the DLL's
# compiler: the installers' and Go's suites and the thousand-prompt soak).  Ends with what each
# preset gave and which widths of Windows programs ran under Wine on this machine.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1
echo "setup took $SECONDS s"
SECONDS=0

# Builds use every core of the machine they run on: the presets name no number.
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
logs=build/test-logs
mkdir -p "$logs"
failed=()
presets=(host host-asan win32 win64 msvc-win32 msvc-win64)

# The preset's workflow: configure, build, test, into its log; its status and how long it took
# beside it.
workflow() {
    local start=$SECONDS
    rm -f "build/$1/junit.xml" "$logs/$1.status"
    cmake --workflow --preset "$1" > "$logs/$1.log" 2>&1
    echo $? > "$logs/$1.status"
    echo $((SECONDS - start)) > "$logs/$1.seconds"
}
# Four lanes side by side, as most of a Windows test's time is waiting for Wine and the
# display: each preset has a build folder, a Wine prefix and a virtual display of its own.  The
# text tool's lane yields the processor to the others: its fuzzers would otherwise hold a core
# for their whole time.
lane() { for preset in "$@"; do workflow "$preset"; done; }
(renice -n 10 -p $BASHPID >/dev/null; lane host host-asan) &
lanes=($!)
lane win32 & lanes+=($!)
lane win64 & lanes+=($!)
lane msvc-win32 msvc-win64
wait "${lanes[@]}"

for preset in "${presets[@]}"; do
    # What the configure and build steps printed is in the log only; a failure there shows the
    # end of it.
    echo "== preset $preset"
    if grep -q '^Test project' "$logs/$preset.log"; then
        sed -n '/^Test project/,$p' "$logs/$preset.log"
    else
        tail -n 30 "$logs/$preset.log"
        echo "the $preset build failed" | tee -a "$logs/$preset.log"
    fi
    [ "$(cat "$logs/$preset.status" 2>/dev/null)" = 0 ] || failed+=("$preset")
done

# The summary, from ctest's machine-readable output: a run that failed wrote none.
scripts/summary.py build "${presets[@]}" || failed+=(summary)
# The release as these builds make it: both kits' ZIPs and SHA256SUMS beside them, checked.
if scripts/release.sh > "$logs/release.log" 2>&1; then
    echo "release: build/release, $(grep -c ': OK$' "$logs/release.log") ZIPs, SHA256SUMS checked"
else
    tail -n 5 "$logs/release.log"
    failed+=(release)
fi
took=""
for preset in "${presets[@]}"; do took+="${took:+, }$preset $(cat "$logs/$preset.seconds" 2>/dev/null) s"; done
echo "the presets took $((SECONDS / 60)) min $((SECONDS % 60)) s, four lanes side by side: $took"
if [ ${#failed[@]} -gt 0 ]; then
    # A preset that gave no result failed in its build or before its tests ran (their discovery,
    # say): the end of its log comes last, where a reader of only the output's end sees it.
    for preset in "${presets[@]}"; do
        [ -f "build/$preset/junit.xml" ] && continue
        echo "== the end of build/test-logs/$preset.log (no result)"
        tail -n 12 "$logs/$preset.log"
    done
    echo "FAILED presets: ${failed[*]}"
    exit 1
fi
