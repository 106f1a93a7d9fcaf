#!/bin/bash
# The README's LoadLibrary example must be exactly the program that the tests build and run.
# usage: readme_snippet.sh README SNIPPET
/usr/bin/python3 - "$1" "$2" <<'PY'
import sys
readme, snippet = (open(p).read() for p in sys.argv[1:3])
if "```c\n" + snippet + "```" not in readme:
    sys.exit(f"the README does not show {sys.argv[2]} as it is")
print("the README shows", sys.argv[2], "as it is")
PY
