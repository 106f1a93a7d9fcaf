#!/bin/bash
# Benchmark of liscn (not a test): time and peak memory of check and fix against
# iconv -f UTF-8 -t CP1252 on a 100 MB UTF-8 text with LF line ends, and on 400 MB of LF.
# The Windows build is measured too where Wine runs.  Files go to build/bench.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset host-release >/dev/null
cmake --build --preset host-release --target liscn -j 2 >/dev/null
work=build/bench
mkdir -p "$work"
if [ ! -f "$work/utf8-100mb.txt" ]; then
    /usr/bin/python3 - "$work/utf8-100mb.txt" <<'PY'
import random, sys
random.seed(1)
words = ["Licence", "agreement", "Caf\u00e9", "M\u00fcller", "\u00a9", "2026", "\u2014", "\u00bd", "the", "user"]
block = "".join(" ".join(random.choice(words) for _ in range(12)) + "\n" for _ in range(20000)).encode()
with open(sys.argv[1], "wb") as f:
    for _ in range(100 * 1024 * 1024 // len(block) + 1):
        f.write(block)
PY
    head -c 419430400 /dev/zero | tr '\0' '\n' > "$work/lf-400mb.txt"
fi

measure() {  # LABEL COMMAND...: seconds and peak resident memory
    local label=$1
    shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1 || true
    read -r seconds kb < <(tail -1 "$work/time")
    printf '%-44s %7.2f s %8d KB\n' "$label" "$seconds" "$kb"
}

linux=build/host-release/liscn/liscn
for text in utf8-100mb lf-400mb; do
    in=$work/$text.txt
    measure "iconv -f UTF-8 -t CP1252 $text" iconv -f UTF-8 -t CP1252 "$in" -o "$work/iconv.out"
    measure "liscn check $text" "$linux" check "$in"
    measure "liscn fix --allow-cut $text" "$linux" fix --allow-cut "$in" "$work/fix.out"
done
rm -f "$work/iconv.out" "$work/fix.out"

# The Windows build under 64-bit Wine, which runs on every x86-64 machine.
if [ -f build/win64/liscn.exe ]; then
    export WINEARCH=win64
    source scripts/wine-env.sh
    wine_prefix_ready
    for text in utf8-100mb lf-400mb; do
        measure "liscn.exe check $text (Wine)" "$WINE" build/win64/liscn.exe check "$work/$text.txt"
        measure "liscn.exe fix --allow-cut $text (Wine)" "$WINE" build/win64/liscn.exe fix --allow-cut "$work/$text.txt" "$work/fix.out"
    done
    rm -f "$work/fix.out"
    wineserver -k 2>/dev/null || true
else
    echo "liscn.exe: not measured (no win64 build: cmake --preset win64 && cmake --build --preset win64)"
fi
