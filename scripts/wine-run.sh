#!/bin/bash
# Runs a Windows program under the Wine of the given width, with the settings of wine-env.sh;
# where this machine cannot run that width, exits with ctest's skip code (77) and says why.
# usage: wine-run.sh win32|win64 PROGRAM [ARGUMENTS...]
set -uo pipefail
export WINEARCH=$1
shift
source "$(dirname "$0")/wine-env.sh" || exit 2
skip_unless_wine_arch_runs
exec "$WINE" "$@"
