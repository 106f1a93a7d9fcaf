#!/bin/bash
# Installs what building and testing need on Debian 12, leaving alone what is there already:
# MinGW-w64 for 32-bit and 64-bit Windows; Wine of both widths (32-bit Wine installs even where it
# cannot run) and its Windows headers; Xvfb, GoogleTest, clang and lld (and libFuzzer, for the
# text tool's fuzzer), python3-pefile, ImageMagick, xdotool, NSIS, wixl (Windows Installer
# packages) and golang-go.
set -euo pipefail

packages=(cmake make g++ googletest g++-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine wine32:i386 wine64 fonts-wine libwine-dev xvfb x11-utils python3-pefile imagemagick
          xdotool clang lld llvm clang-14 libclang-rt-14-dev nsis wixl golang-go)
sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo

missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
# A mirror in the middle of a sync fails the update now and then: try again a little later,
# and at last go on with the indexes that did come.
for attempt in 1 2 3 4; do
    $sudo apt-get update -qq && break
    [ $attempt = 4 ] && { echo "setup: apt-get update failed; going on with what it fetched"; break; }
    echo "setup: apt-get update failed; trying again in $((attempt * 20)) s"
    sleep $((attempt * 20))
done
install() {
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}
install "${missing[@]}" && exit 0
# Once more, a little later: another apt may have held the lock.
sleep 20
install "${missing[@]}" && exit 0
# Without the 32-bit indexes (a mirror that cannot give them) 32-bit Wine cannot be had: the
# rest is installed, and the 32-bit programs are then built and checked but not run, as on a
# machine that cannot run them.
rest=() i386=()
for p in "${missing[@]}"; do
    if [[ $p == *:i386 ]]; then i386+=("$p"); else rest+=("$p"); fi
done
[ ${#i386[@]} -gt 0 ] || { echo "setup: apt-get install failed" >&2; exit 1; }
echo "setup: trying again without the 32-bit packages (${i386[*]})"
install "${rest[@]}" || { echo "setup: apt-get install failed" >&2; exit 1; }
echo "setup: installed all but ${i386[*]}: 32-bit Windows programs will be built and checked, not run"
