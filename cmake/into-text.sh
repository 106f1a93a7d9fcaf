#!/bin/sh
# Compiler launcher of the DLL and the prompt programs: compiles, then moves the object's
# read-only data (the x64 unwind records in .xdata; the programs' strings in .rdata) into its
# code section, so that the file needs no section of its own for them: each section costs at
# least 512 bytes of file.  The object is final when the compile step ends, as build tools
# expect.
# usage: into-text.sh OBJCOPY "SECTION..." COMPILER ARGUMENTS...
objcopy=$1 sections=$2
shift 2
"$@" || exit
renames=""
for section in $sections; do
    renames="$renames --rename-section $section=.text\$${section#.}"
done
while [ $# -gt 1 ]; do
    # shellcheck disable=SC2086  # one word per option
    [ "$1" = -o ] && exec "$objcopy" $renames "$2"
    shift
done
echo "into-text.sh: no -o in the compile command" >&2
exit 1
