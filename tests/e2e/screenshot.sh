#!/bin/bash
# Runs the prompt program with the sample text, saves a PNG of the dialog as a user sees it,
# then answers with Esc and checks that the program exits with "not accepted" (1).
# usage: screenshot.sh PROMPT_EXE SAMPLE_TEXT OUT_PNG
set -uo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"
skip_unless_wine_arch_runs
exe=$1 sample=$2 png=$3
sed 's/\r*$/\r/' "$sample" > "$(dirname "$exe")/liscn.txt"

timeout 120 "$WINE" "$exe" > "$png.log" 2>&1 &
host=$!
if ! window=$(wait_for_dialog_window); then
    echo "the dialog did not appear"
    kill $host 2>/dev/null
    exit 1
fi
save_window_picture "$window" "$png" || { echo "no picture of the dialog"; exit 1; }
echo "saved $png ($(convert "$png" -format '%wx%h' info:), $(convert "$png" -format %k info:) colours)"
press_in_window "$window" Escape || { kill $host; exit 1; }
wait $host
status=$?
cat "$png.log"
rm -f "$(dirname "$exe")/liscn.txt"
[ $status -eq 1 ] || { echo "expected exit code 1 after Esc, got $status"; exit 1; }
