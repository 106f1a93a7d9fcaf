#!/bin/bash
# ctest fixture of the tests that show windows.  start: an Xvfb of its own (1024x768) on a
# display that it picks, named in STATE_DIR/display for the tests, the Wine prefix at
# $WINEPREFIX (made when missing) and its wineserver; any of them failing fails the fixture,
# and with it every test that needs it.  stop: ends both.
# usage: display.sh start|stop STATE_DIR
set -uo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"
why=$(wine_arch_runs) || { echo "skipped: $why"; exit 77; }
state=$2
mkdir -p "$state" || exit 1

stop() {
    wineserver -k 2>/dev/null
    # Only the Xvfb that a run of this fixture started: a PID left by an interrupted run may
    # have gone to another program since.
    local pid
    pid=$(cat "$state/xvfb.pid" 2>/dev/null)
    if [ -n "$pid" ] && tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -q '^Xvfb -displayfd '; then
        xvfb_stop "$pid"
    fi
    rm -f "$state/xvfb.pid" "$state/display"
}

case $1 in
start)
    stop   # what an interrupted run may have left
    xvfb_start 1024x768 || exit 1
    echo "$XVFB_PID" > "$state/xvfb.pid"
    wine_prefix_ready || exit 1
    wineserver_up || exit 1
    echo "${DISPLAY#:}" > "$state/display"
    echo "display $DISPLAY, prefix $WINEPREFIX"
    ;;
stop)
    stop
    ;;
esac
