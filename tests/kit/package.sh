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

refused() {  # NAME EXPECTED_MESSAGE PROJECT_DIR CMAKE_ARGS...
    local name=$1 message=$2 project=$3
    shift 3
    if cmake -S "$project" -B "$work/$name" -DCMAKE_PREFIX_PATH="$work/install" "$@" \
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
    sed -n '/^CMake Error/,/^-- Configuring incomplete/p' "$work/$name.log" | grep -v '^ *$' | sed -n '2,7p'
}
consumer=$src/tests/kit/project
refused "${other_kit}" "needs the $other_kit kit, LegalPrompt-1.2.0-$other_kit.zip" "$consumer" \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER="$other-gcc-posix" || exit 1
refused linux "a project for Linux cannot use it at all" "$consumer" || exit 1
# clang compiles for 64-bit ARM Windows; with no ARM libraries at hand, CMake's probe only compiles.
refused arm64 "an ARM project (ARM64) cannot use it" "$consumer" -DCMAKE_SYSTEM_NAME=Windows \
    -DCMAKE_SYSTEM_PROCESSOR=ARM64 -DCMAKE_C_COMPILER=clang -DCMAKE_C_COMPILER_TARGET=aarch64-pc-windows-msvc \
    -DCMAKE_TRY_COMPILE_TARGET_TYPE=STATIC_LIBRARY || exit 1
# A project with no compiler has no pointer size for the version check: the package says what to do.
mkdir -p "$work/no-language-project"
printf 'cmake_minimum_required(VERSION 3.25)\nproject(NoLanguage NONE)\nfind_package(LegalPrompt 1.0 REQUIRED)\n' \
    > "$work/no-language-project/CMakeLists.txt"
refused no-language "programs; enable C or CXX in a Windows project of that width" "$work/no-language-project" || exit 1

skip_unless_wine_arch_runs
(cd "$work/consumer" && "$WINE" consumer.exe) || { echo "the consumer failed"; exit 1; }
