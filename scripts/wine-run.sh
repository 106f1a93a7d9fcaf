#!/bin/bash
# Runs a Windows program under the Wine of the given width, in the given prefix (made when
# missing), with the settings of wine-env.sh, on the display that the tests' fixture names in
# $E2E_STATE when that is set.  Where this machine cannot run that width, exits with ctest's
# skip code (77) and says why; asked for a GoogleTest program's list of cases, it then lists
# one case that will say so, as the list cannot be had.
# usage: wine-run.sh win32|win64 PREFIX PROGRAM [ARGUMENTS...]
set -uo pipefail
export WINEARCH=$1 WINEPREFIX=$2
shift 2
source "$(dirname "$0")/wine-env.sh" || exit 2
listing=no
for arg in "$@"; do [ "$arg" = --gtest_list_tests ] && listing=yes; done
if ! why=$(wine_arch_runs); then
    [ $listing = yes ] && printf 'NoWine.\n  ThisMachineCannotRunThisWidth\n' && exit 0
    echo "skipped: $why"
    exit 77
fi
wine_prefix_ready || exit 2
[ $listing = yes ] || fixture_display || exit 2
harness=$listing
for arg in "$@"; do [[ $arg == --gtest_filter=* ]] && harness=yes; done
[ $harness = yes ] || exec "$WINE" "$@"

# A test program (GoogleTest's, with the harness: tests/support/started.cpp) creates the file
# that LEGALPROMPT_STARTED names as it starts.  Wine now and then ends one with 1 within a few
# milliseconds, before any of its code has run and saying nothing (seen once in about three runs
# of the 64-bit suites): a start that failed so, and only that, is tried once more, and said.
# A run that ends well without the file fails: the launcher could not tell such a start.
dir=$(mktemp -d) || exit 2
trap 'rm -rf "$dir"' EXIT
export LEGALPROMPT_STARTED="Z:${dir//\//\\}\\started"
for attempt in 1 2; do
    rm -f "$dir/started"
    begun=$EPOCHREALTIME
    if [ $listing = yes ]; then
        # Through a file, as Wine's helper processes may hold a pipe open; without the CRs of
        # the Windows program's text output, which the list's reader would keep in the names.
        "$WINE" "$@" > "$dir/out"
    else
        "$WINE" "$@"
    fi
    status=$?
    took_ms=$(( (${EPOCHREALTIME/./} - ${begun/./}) / 1000 ))
    if [ -e "$dir/started" ] || [ $status != 1 ] || [ $took_ms -ge 2000 ] || [ $attempt = 2 ]; then
        break
    fi
    echo "retried: Wine ended the program with 1 after $took_ms ms, before it started" >&2
done
if [ ! -e "$dir/started" ]; then
    echo "the program did not say that it started (exit $status after $took_ms ms)" >&2
    [ $status = 0 ] && status=2
fi
[ $listing = yes ] && tr -d '\r' < "$dir/out"
exit $status
