#!/bin/bash
# Installs the kit, builds a consumer project against it with find_package (MinGW of the kit's
# width), checks that projects of the other width and for Linux are refused with a message
# that names the kit they need, and runs the consumer under Wine.
# usage: package.sh BUILD_DIR SOURCE_DIR WORK_DIR win32|win64
set -uo pipefail
build=$1 src=$2 work=$3
export WINEARCH=$4
source "$src/scripts/wine-env.sh"
case $WINEARCH in
    win32) triple=i686-w64-mingw32 other=x86_64-w64-mingw32 other_kit=win64 ;;
    win64) triple=x86_64-w64-mingw32 other=i686-w64-mingw32 other_kit=win32 ;;
esac
rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$work/install" >/dev/null || { echo "install failed"; exit 1; }
(cd "$work/install" && find . -type f | sort)

cmake -S "$src/tests/kit/project" -B "$work/consumer" --toolchain "$src/cmake/mingw-${triple%%-*}.cmake" \
      -DCMAKE_PREFIX_PATH="$work/install" >/dev/null &&
    cmake --build "$work/consumer" >/dev/null || { echo "the $WINEARCH consumer did not build"; exit 1; }
echo "the $WINEARCH consumer project found the package and built"

refused() {  # NAME EXPECTED_MESSAGE CMAKE_ARGS...
    local name=$1 message=$2
    shift 2
    if cmake -S "$src/tests/kit/project" -B "$work/$name" -DCMAKE_PREFIX_PATH="$work/install" "$@" \
            > "$work/$name.log" 2>&1; then
        echo "the $name project was given the $WINEARCH package"
        return 1
    fi
    if ! tr -s ' \n' ' ' < "$work/$name.log" | grep -qF "$message"; then
        cat "$work/$name.log"
        echo "the $name project was not told: $message"
        return 1
    fi
    echo "the $name project is refused:"
    grep -A 4 'considered but not accepted' "$work/$name.log"
}
refused "${other_kit}" "needs the $other_kit kit, LegalPrompt-1.0.0-$other_kit.zip" \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER="$other-gcc-posix" || exit 1
refused linux "a project for Linux cannot use it at all" || exit 1

skip_unless_wine_arch_runs
(cd "$work/consumer" && "$WINE" consumer.exe) || { echo "the consumer failed"; exit 1; }
