#!/bin/bash
# ctest fixture of the end-to-end tests.  start: an Xvfb of its own on $DISPLAY (1024x768), a
# Wine prefix at $WINEPREFIX (created when missing) and its wineserver; stop: ends both.
# usage: display.sh start|stop STATE_DIR
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"
skip_unless_wine_arch_runs
state=$2
pidfile=$state/xvfb.pid
mkdir -p "$state"

stop() {
    wineserver -k 2>/dev/null || true
    if [ -f "$pidfile" ]; then
        xvfb_stop "$(cat "$pidfile")"
        rm -f "$pidfile"
    fi
}

case $1 in
start)
    stop   # what an interrupted run may have left
    xvfb_start 1024x768 "${DISPLAY#:}"
    echo "$XVFB_PID" > "$pidfile"
    wine_prefix_ready
    wineserver_up
    echo "display $DISPLAY, prefix $WINEPREFIX"
    ;;
stop)
    stop
    ;;
esac
