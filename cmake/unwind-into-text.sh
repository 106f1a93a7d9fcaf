#!/bin/sh
# Compiler launcher of the 64-bit DLL: compiles, then moves the object's unwind records
# (.xdata, read-only data) into its code section, so that the DLL needs no section of its own
# for them.  The object is final when the compile step ends, as build tools expect.
# usage: unwind-into-text.sh OBJCOPY COMPILER ARGUMENTS...
objcopy=$1
shift
"$@" || exit
while [ $# -gt 1 ]; do
    [ "$1" = -o ] && exec "$objcopy" --rename-section '.xdata=.text$unwind' "$2"
    shift
done
echo "unwind-into-text.sh: no -o in the compile command" >&2
exit 1
