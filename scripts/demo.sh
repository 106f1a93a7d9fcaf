#!/bin/bash
# Builds the DLL and the prompt program, writes the sample liscn.txt (or FILE, your own text,
# after printing what "liscn check" says of it) beside the program and runs it under Wine: the
# 32-bit build where this machine runs 32-bit programs, else the 64-bit one (WINEARCH=win32 or
# win64 chooses).  The dialog's picture is saved to build/demo-screenshot.png.  On a real
# display you answer the dialog yourself; with no display the demo uses a virtual one,
# dismisses the dialog with Esc and says so.
# usage: demo.sh [FILE]
set -euo pipefail
# FILE as the caller named it, from the caller's folder.
file=${1:-}
if [ -n "$file" ]; then
    [ -f "$file" ] || { echo "demo: $file is no file" >&2; exit 2; }
    file=$(realpath -- "$file")
fi
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
cmake --build --preset "$WINEARCH" -j "$(nproc)" --target legalprompt legalprompt_exe >/dev/null

bin=build/$WINEARCH
if [ -n "$file" ]; then
    # What the text tool says of it, and then the text as it is: what users will see.
    cmake --preset host >/dev/null
    cmake --build --preset host -j "$(nproc)" --target liscn >/dev/null
    echo "demo: liscn check $file"
    build/host/liscn/liscn check "$file" | sed 's/^/  /' || true
    cp "$file" "$bin/liscn.txt"
else
    sed 's/\r*$/\r/' kit/liscn.txt > "$bin/liscn.txt"   # the text box breaks lines at CR LF
fi
echo "demo: wrote $bin/liscn.txt"

virtual=""
if [ -z "${DISPLAY:-}" ]; then
    xvfb_start 1024x768 || { echo "demo: no virtual display could be started" >&2; exit 1; }
    trap xvfb_stop EXIT
    virtual=yes
elif ! xdpyinfo >/dev/null 2>&1; then
    echo "demo: cannot open the display $DISPLAY; unset DISPLAY to use a virtual one" >&2
    exit 1
fi
wine_prefix_ready || { echo "demo: Wine could not set up its prefix $WINEPREFIX" >&2; exit 1; }

echo "demo: running $bin/legalprompt.exe ($WINEARCH)"
"$WINE" "$bin/legalprompt.exe" &
host=$!
# The answer counts only if this program's dialog was seen: a program that could not show it
# (no display, Wine failing) also ends, with 1.  Wine gives its windows the Unix process id.
window=""
for _ in $(seq 300); do
    window=$(xdotool search --all --pid "$host" --name '^License Agreement$' 2>/dev/null | head -n 1) || true
    [ -n "$window" ] || ! kill -0 "$host" 2>/dev/null && break
    sleep 0.1
done
if [ -n "$window" ]; then
    save_window_picture "$window" build/demo-screenshot.png
    echo "demo: the dialog's picture: build/demo-screenshot.png"
fi
if [ -n "$window" ] && [ -n "$virtual" ]; then
    echo "demo: no display, so a virtual one ($DISPLAY) was used"
    echo "demo: dismissing the dialog with Esc"
    press_in_window "$window" Escape || kill "$host"
fi
if [ -z "$window" ] && kill -0 "$host" 2>/dev/null; then
    kill "$host" 2>/dev/null
    wait "$host" || true
    wineserver -k 2>/dev/null || true
    echo "demo: no dialog appeared within 30 seconds; stopped legalprompt.exe" >&2
    exit 1
fi
status=0
wait "$host" || status=$?
wineserver -k 2>/dev/null || true
if [ -z "$window" ]; then
    case $status in
        255) echo "demo: legalprompt.exe exited with -1: liscn.txt could not be read, and no dialog was shown" >&2 ;;
        *) echo "demo: no dialog appeared: legalprompt.exe exited with $status (Wine or the display failed)" >&2 ;;
    esac
    exit 1
fi
case $status in
    0) echo "demo: legalprompt.exe exited with 0: the user accepted" ;;
    1) echo "demo: legalprompt.exe exited with 1: the user did not accept" ;;
    *) echo "demo: legalprompt.exe failed after its dialog appeared (exit $status)" >&2; exit 1 ;;
esac
