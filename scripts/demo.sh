#!/bin/bash
# Builds the DLL and the prompt program, writes the sample liscn.txt beside the program and runs
# it under Wine: the 32-bit build where this machine runs 32-bit programs, else the 64-bit one
# (WINEARCH=win32 or win64 chooses).  On a real display you answer the dialog yourself; with no
# display the demo uses a virtual one, saves a screenshot, dismisses the dialog with Esc and
# says so.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [ -z "${WINEARCH:-}" ]; then
    WINEARCH=win32
    if ! why=$(WINEARCH=win32 bash -c 'source scripts/wine-env.sh && wine_arch_runs'); then
        echo "demo: $why; running the 64-bit build"
        WINEARCH=win64
    fi
fi
export WINEARCH
export WINEPREFIX=$PWD/build/wineprefix-$WINEARCH   # never the user's own
source scripts/wine-env.sh
cmake --preset "$WINEARCH" >/dev/null
cmake --build --preset "$WINEARCH" -j 2 --target legalprompt legalprompt_exe >/dev/null

bin=build/$WINEARCH
sed 's/\r*$/\r/' kit/liscn.txt > "$bin/liscn.txt"   # the text box breaks lines at CR LF
echo "demo: wrote $bin/liscn.txt"

virtual=""
if [ -z "${DISPLAY:-}" ]; then
    xvfb_start 1024x768
    trap xvfb_stop EXIT
    virtual=yes
fi
wine_prefix_ready

echo "demo: running $bin/legalprompt.exe ($WINEARCH)"
"$WINE" "$bin/legalprompt.exe" &
host=$!
if [ -n "$virtual" ]; then
    if ! window=$(wait_for_dialog_window); then
        echo "demo: the dialog did not appear" >&2
        kill "$host" 2>/dev/null
        exit 1
    fi
    save_window_picture "$window" build/demo-screenshot.png
    echo "demo: no display, so a virtual one ($DISPLAY) was used; screenshot: build/demo-screenshot.png"
    echo "demo: dismissing the dialog with Esc"
    xdotool key Escape
fi
status=0
wait "$host" || status=$?
wineserver -k 2>/dev/null || true
case $status in
    0) echo "demo: legalprompt.exe exited with 0: the user accepted" ;;
    1) echo "demo: legalprompt.exe exited with 1: the user did not accept" ;;
    255) echo "demo: legalprompt.exe exited with -1: liscn.txt could not be read" ;;
    *) echo "demo: legalprompt.exe failed (exit $status)"; exit 1 ;;
esac
