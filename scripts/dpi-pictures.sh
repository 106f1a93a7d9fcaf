#!/bin/bash
# The prompt program's dialog under 64-bit Wine at 96 and at 144 DPI (the prefix's LogPixels),
# for the docs: docs/dialog-96dpi.png and docs/dialog-144dpi.png, and the size of each.  Takes
# legalprompt.exe and legalprompt.dll from build/win64 (cmake --build --preset win64 first).
# usage: scripts/dpi-pictures.sh
set -uo pipefail
cd "$(dirname "$0")/.."
export WINEARCH=win64
source scripts/wine-env.sh
bin=build/win64
work=build/dpi-pictures
[ -f "$bin/legalprompt.exe" ] || { echo "build the win64 preset first" >&2; exit 1; }
rm -rf "$work/run"
mkdir -p "$work/run" && cp "$bin/legalprompt.exe" "$bin/legalprompt.dll" "$work/run/" || exit 1
sed 's/\r*$/\r/' kit/liscn.txt > "$work/run/liscn.txt"
xvfb_start 1280x1024 || exit 1
trap 'wineserver -k 2>/dev/null; xvfb_stop' EXIT
for dpi in 96 144; do
    export WINEPREFIX=$PWD/$work/prefix-$dpi
    wine_prefix_ready || exit 1
    "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null 2>&1 || exit 1
    wineserver -k 2>/dev/null; wineserver -w
    timeout 120 "$WINE" "$work/run/legalprompt.exe" &
    host=$!
    window=$(wait_for_dialog_window) || { echo "no dialog at $dpi DPI"; kill $host; exit 1; }
    save_window_picture "$window" "docs/dialog-${dpi}dpi.png" || exit 1
    press_in_window "$window" Escape || { kill $host; exit 1; }
    wait $host
    echo "$dpi DPI: docs/dialog-${dpi}dpi.png, $(convert "docs/dialog-${dpi}dpi.png" -format '%wx%h' info:)"
    wineserver -k 2>/dev/null; wineserver -w
done
