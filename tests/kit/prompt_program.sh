#!/bin/bash
# The prompt program's exit codes without a user: --help, a wrong argument, no DLL beside it,
# a DLL without the export, and no text to show.
# usage: prompt_program.sh PROMPT_EXE DLL NO_EXPORT_DLL WORK_DIR   (WINEARCH names the width)
set -uo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"
skip_unless_wine_arch_runs
exe=$1 dll=$2 no_export=$3 work=$4
failed=0

expect() {  # EXPECTED_CODE PATTERN DIR [ARGS]: runs the program in DIR, checks code and output
    local code=$1 pattern=$2 dir=$3
    shift 3
    local out status
    out=$(cd "$dir" && "$WINE" ./legalprompt.exe "$@" 2>&1)
    status=$?
    if [ "$status" = "$code" ] && grep -q -- "$pattern" <<< "$out"; then
        echo "ok   legalprompt.exe $* in $(basename "$dir"): exit $status"
    else
        echo "FAIL legalprompt.exe $* in $(basename "$dir"): exit $status, wanted $code and '$pattern'"
        echo "$out"
        failed=1
    fi
}

rm -rf "$work"
mkdir -p "$work/alone" "$work/no-export" "$work/no-text"
cp "$exe" "$work/alone/"
cp "$exe" "$work/no-export/" && cp "$no_export" "$work/no-export/legalprompt.dll"
cp "$exe" "$work/no-text/" && cp "$dll" "$work/no-text/legalprompt.dll"

expect 0 "Exit codes\|exit code is the answer" "$work/alone" --help
expect 2 "unexpected argument" "$work/alone" --bogus
expect 3 "cannot load .*legalprompt.dll" "$work/alone"
expect 3 "has no DisplayLegalBullshit" "$work/no-export"
expect 255 "" "$work/no-text"   # -1: Wine hands the shell the low byte
exit $failed
