#!/bin/bash
# Runs the liscn fuzzer for SECONDS from the kept seeds, with a working corpus in WORK_DIR;
# prints the run's figures and, on a failure, the end of its log.  Exits with its status.
# usage: fuzz.sh FUZZER SEEDS WORK_DIR SECONDS
set -uo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4
mkdir -p "$work/corpus"
"$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/" \
    "$work/corpus" "$seeds" > "$work/log" 2>&1
status=$?
grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/log"
[ $status -eq 0 ] || { tail -40 "$work/log"; echo "the fuzzer failed; its input is in $work/"; }
exit $status
