#!/bin/bash
# An example that the docs show must be exactly the file that the tests build and run.
# usage: readme_snippet.sh PAGE SNIPPET [FENCE_LANGUAGE, default c]
/usr/bin/python3 - "$1" "$2" "${3:-c}" <<'PY'
import sys
readme, snippet = (open(p).read() for p in sys.argv[1:3])
if "```" + sys.argv[3] + "\n" + snippet + "```" not in readme:
    sys.exit(f"{sys.argv[1]} does not show {sys.argv[2]} as it is")
print(sys.argv[1], "shows", sys.argv[2], "as it is")
PY
