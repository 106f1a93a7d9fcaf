#!/bin/bash
# Benchmark of liscn (not a test): time and peak memory of check and fix --allow-cut against
# iconv -f UTF-8 -t CP1252 on 100 MB of each of four kinds of text: mostly ASCII, dense Latin
# ("é" lines), LF alone, and long lines with no line end.  The Windows build is measured too,
# under 64-bit Wine.  Files go to build/bench.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset host-release >/dev/null
cmake --build --preset host-release --target liscn -j "$(nproc)" >/dev/null
work=build/bench
mkdir -p "$work"
texts="ascii latin lf long"
[ -f "$work/long.txt" ] || /usr/bin/python3 - "$work" <<'PY'
import random, sys
random.seed(1)
size = 100 * 1024 * 1024
def fill(name, block):
    with open(sys.argv[1] + "/" + name, "wb") as f:
        n = 0
        while n < size:
            f.write(block)
            n += len(block)
words = ["Licence", "agreement", "Caf\u00e9", "M\u00fcller", "\u00a9", "2026", "\u2014", "\u00bd", "the", "user",
         "shall", "software", "terms", "install"]
fill("ascii.txt", "".join(" ".join(random.choice(words[3:] if random.random() < 0.8 else words) for _ in range(12))
                          + "\n" for _ in range(20000)).encode())
latin = ["\u00e9l\u00e8ve", "d\u00e9j\u00e0", "cr\u00e9\u00e9", "\u00e0", "c\u00f4t\u00e9", "\u00e9t\u00e9",
         "r\u00e9sum\u00e9", "na\u00efve", "gr\u00fc\u00dfe", "\u00e9\u00e9\u00e9"]
fill("latin.txt", "".join(" ".join(random.choice(latin) for _ in range(10)) + "\n" for _ in range(20000)).encode())
fill("lf.txt", b"\n" * (1 << 20))
fill("long.txt", " ".join(random.choice(words[8:]) for _ in range(200000)).encode() + b" ")
PY

measure() {  # LABEL COMMAND...: prints seconds and peak resident memory, and keeps the seconds
    local label=$1
    shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1 || true
    read -r seconds kb < <(tail -1 "$work/time")
    printf '%-40s %7.2f s %8d KB' "$label" "$seconds" "$kb"
    last=$seconds
}

linux=build/host-release/liscn/liscn
for text in $texts; do
    in=$work/$text.txt
    measure "iconv $text" iconv -f UTF-8 -t CP1252 "$in" -o "$work/iconv.out"; echo
    base=$last
    measure "liscn check $text" "$linux" check "$in"
    awk -v a="$last" -v b="$base" 'BEGIN { printf "   %.2fx iconv\n", a / b }'
    measure "liscn fix --allow-cut $text" "$linux" fix --allow-cut "$in" "$work/fix.out"
    awk -v a="$last" -v b="$base" 'BEGIN { printf "   %.2fx iconv\n", a / b }'
done
rm -f "$work/iconv.out" "$work/fix.out"

# The Windows build under 64-bit Wine, which runs on every x86-64 machine.
if [ -f build/win64/liscn.exe ]; then
    export WINEARCH=win64
    source scripts/wine-env.sh
    wine_prefix_ready
    for text in $texts; do
        measure "liscn.exe check $text (Wine)" "$WINE" build/win64/liscn.exe check "$work/$text.txt"; echo
        measure "liscn.exe fix --allow-cut $text (Wine)" "$WINE" build/win64/liscn.exe fix --allow-cut "$work/$text.txt" "$work/fix.out"; echo
    done
    rm -f "$work/fix.out"
    wineserver -k 2>/dev/null || true
else
    echo "liscn.exe: not measured (no win64 build: cmake --preset win64 && cmake --build --preset win64)"
fi
