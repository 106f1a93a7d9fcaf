#!/bin/bash
# Installs the kit, builds a consumer project against it with find_package (MinGW), runs the
# consumer under Wine, and checks that a 64-bit project is refused with a clear message.
# usage: package.sh BUILD_DIR SOURCE_DIR WORK_DIR
set -uo pipefail
build=$1 src=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$work/install" >/dev/null || { echo "install failed"; exit 1; }
(cd "$work/install" && find . -type f | sort)

cmake -S "$src/tests/kit/project" -B "$work/consumer" --toolchain "$src/cmake/mingw-i686.cmake" \
      -DCMAKE_PREFIX_PATH="$work/install" >/dev/null &&
    cmake --build "$work/consumer" >/dev/null || { echo "the 32-bit consumer did not build"; exit 1; }
(cd "$work/consumer" && wine consumer.exe) || { echo "the consumer failed"; exit 1; }

# 64-bit consumers must be refused, saying why: one for 64-bit Windows, one for Linux.
refused() {  # NAME CMAKE_ARGS...
    local name=$1
    shift
    if cmake -S "$src/tests/kit/project" -B "$work/$name" -DCMAKE_PREFIX_PATH="$work/install" "$@" \
            > "$work/$name.log" 2>&1; then
        echo "the $name project was given the 32-bit package"
        return 1
    fi
    if ! grep -q "LegalPrompt is a 32-bit Windows DLL" "$work/$name.log"; then
        cat "$work/$name.log"
        echo "no clear message for the $name project"
        return 1
    fi
    echo "the $name project is refused:"
    grep -A 6 'Reason given' "$work/$name.log" | sed -n '3,$p'
}
refused windows64 -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER=x86_64-w64-mingw32-gcc-posix || exit 1
refused linux64 || exit 1
