#!/bin/bash
# Runs the prompt program with the sample text, saves a PNG of the dialog as a user sees it,
# then answers with Esc and checks that the program exits with "not accepted" (1).
# usage: screenshot.sh PROMPT_EXE SAMPLE_TEXT OUT_PNG
set -uo pipefail
exe=$1 sample=$2 png=$3
sed 's/\r*$/\r/' "$sample" > "$(dirname "$exe")/liscn.txt"

timeout 120 wine "$exe" > "$png.log" 2>&1 &
host=$!
window=""
for _ in $(seq 200); do
    window=$(xdotool search --name '^License Agreement$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "the dialog did not appear"
    kill $host 2>/dev/null
    exit 1
fi
# Painted once it holds more than a background and a frame, and two pictures in a row agree.
previous=$png.previous.png
for _ in $(seq 100); do
    if import -window "$window" "$png" 2>/dev/null &&
        [ "$(convert "$png" -format %k info:)" -gt 16 ] &&
        compare -metric AE "$png" "$previous" null: 2>/dev/null; then
        break
    fi
    cp "$png" "$previous" 2>/dev/null
    sleep 0.1
done
rm -f "$previous"
echo "saved $png ($(convert "$png" -format '%wx%h' info:), $(convert "$png" -format %k info:) colours)"
xdotool key --window "$window" Escape
wait $host
status=$?
cat "$png.log"
rm -f "$(dirname "$exe")/liscn.txt"
[ $status -eq 1 ] || { echo "expected exit code 1 after Esc, got $status"; exit 1; }
