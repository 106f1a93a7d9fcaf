#!/bin/bash
# Benchmark of the NSIS include (not a test): from the start of the installer's process to the
# licence agreement on screen, for the kit's example installer and for an installer with only
# NSIS's own licence page (LicenseData) and the same text, each built for every installer target
# (x86-unicode, x86-ansi, amd64-unicode), run in turns under Wine on a virtual display; and the
# installers' sizes.  32-bit targets only where this machine runs 32-bit programs.
# usage: bench-nsis.sh [RUNS, default 10]     Files go to build/bench-nsis.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target nsis_stage >/dev/null
work=$PWD/build/bench-nsis
rm -rf "$work/source" && mkdir -p "$work/source"
cp -r build/win64/nsis/. "$work/source/"
cat > "$work/source/licensedata.nsi" <<'NSI'
Name "LicenseData Only"
OutFile "licensedata-setup.exe"
RequestExecutionLevel user
LicenseData "liscn.txt"
Page license
Page instfiles
Section
SectionEnd
NSI

# Milliseconds from the start of $WINE INSTALLER to a window titled TITLE; then Esc.
time_to_window() {
    local installer=$1 title=$2 start window=""
    start=$(date +%s%N)
    "$WINE" "$installer" & local pid=$!
    for _ in $(seq 3000); do
        window=$(xdotool search --all --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1) || true
        [ -n "$window" ] && break
        sleep 0.005
    done
    local end; end=$(date +%s%N)
    [ -n "$window" ] || { kill "$pid"; wait "$pid" || true; echo "none"; return; }
    xdotool key Escape
    wait "$pid" || true
    echo $(((end - start) / 1000000))
}

# The median of the numbers read; runs whose window never came ("none") are left out, and said.
median() {
    grep -E '^[0-9]+$' | sort -n |
        awk '{a[NR] = $1} END {if (NR) print (NR % 2 ? a[(NR + 1) / 2] : int((a[NR / 2] + a[NR / 2 + 1]) / 2)); else print "-"}'
}

xvfb_started=""
for target in x86-unicode x86-ansi amd64-unicode; do
    arch=win32
    [ "$target" = amd64-unicode ] && arch=win64
    export WINEARCH=$arch WINEPREFIX=$work/prefix-$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
    source scripts/wine-env.sh
    if ! why=$(wine_arch_runs); then
        echo "$target: not run: $why"
        continue
    fi
    [ -n "$xvfb_started" ] || { unset DISPLAY; xvfb_start 1024x768; trap xvfb_stop EXIT; xvfb_started=yes; }
    wine_prefix_ready
    wineserver_up
    for script in example licensedata; do
        (cd "$work/source" && makensis -V1 "-XTarget $target" "$script.nsi") >/dev/null
        mv "$work/source/$script-setup.exe" "$work/$target-$script-setup.exe"
    done
    ours=() theirs=()
    for _ in $(seq "$runs"); do
        ours+=("$(time_to_window "$work/$target-example-setup.exe" "License Agreement")")
        theirs+=("$(time_to_window "$work/$target-licensedata-setup.exe" "LicenseData Only Setup: License Agreement")")
    done
    printf '%-14s LegalPrompt.nsh example: %6d bytes, median %s ms (%s)\n' "$target" \
        "$(wc -c < "$work/$target-example-setup.exe")" "$(printf '%s\n' "${ours[@]}" | median)" "${ours[*]}"
    printf '%-14s NSIS LicenseData page:   %6d bytes, median %s ms (%s)\n' "$target" \
        "$(wc -c < "$work/$target-licensedata-setup.exe")" "$(printf '%s\n' "${theirs[@]}" | median)" "${theirs[*]}"
    wineserver -k 2>/dev/null || true
done
