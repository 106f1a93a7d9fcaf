#!/bin/bash
# Runs the centring test on a primary screen smaller than the dialog each way (a negative
# position), which the in-process tests, on the fixture's screen, cannot make.  The screen needs
# an Xvfb of that size and a fresh wineserver: a running one keeps the old size.
# usage: centring.sh E2E_TESTS_EXE STATE_DIR
set -uo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"
skip_unless_wine_arch_runs
exe=$1 state=$2
main_display=$DISPLAY
failed=0

run_once() {  # SIZE: runs the test on a screen of that size; prints the test's output
    wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
    xvfb_start "$1" || return 1
    wineserver_up
    E2E_SCREEN=$1 "$WINE" "$exe" --gtest_filter=Centring.* 2>&1
    local status=$?
    wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
    xvfb_stop
    DISPLAY=$main_display
    return $status
}

# Right after a fresh wineserver, Wine now and then fails to start the program at all (it
# prints nothing, not even the screen size): that start, and only that, is tried once more.
run_at() {  # SIZE
    local out status
    out=$(run_once "$1"); status=$?
    if [ $status -ne 0 ] && ! grep -q '^screen' <<< "$out"; then
        echo "the program did not start on $1; trying once more" >&2
        out=$(run_once "$1"); status=$?
    fi
    echo "$out"
    return $status
}

out=$(run_at 320x240); status=$?
echo "$out" | grep -E "^screen|OK|FAILED|Failure|Expected|Which is|  " || true
[ $status -eq 0 ] || failed=1
read -r w h < <(echo "$out" | sed -n 's/^screen [0-9]*x[0-9]* dialog \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
if [ -z "${w:-}" ] || [ "$w" -le 320 ] || [ "$h" -le 240 ]; then
    echo "the dialog (${w:-?}x${h:-?}) is not larger than the screen each way"
    failed=1
fi

wineserver_up || failed=1   # back on the fixture's display for the tests that follow
[ $failed -eq 0 ] && echo "centred on a screen smaller than the dialog"
exit $failed
