#!/bin/bash
# Installs what building and testing need on Debian 12, leaving alone what is there already:
# MinGW-w64 for 32-bit and 64-bit Windows; Wine of both widths (32-bit Wine installs even where it
# cannot run) and its Windows headers; Xvfb, GoogleTest, clang and lld (and libFuzzer, for the
# text tool's fuzzer), python3-pefile, ImageMagick, xdotool, NSIS, wixl (Windows Installer
# packages), golang-go, and Debian's Rust with the 64-bit Windows target's standard library.
set -euo pipefail

packages=(cmake make g++ googletest g++-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine wine32:i386 wine64 fonts-wine libwine-dev xvfb x11-utils python3-pefile imagemagick
          xdotool clang lld llvm clang-14 libclang-rt-14-dev nsis wixl golang-go
          rustc cargo libstd-rust-dev-windows)
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
# What the tests can do without, and then say so: 32-bit Wine, which a mirror without the 32-bit
# indexes cannot give (the 32-bit programs are then built and checked but not run, as on a
# machine that cannot run them), and Debian's Rust (the Rust crate's tests are then skipped).
optional=" wine32:i386 rustc cargo libstd-rust-dev-windows "
rest=() left=()
for p in "${missing[@]}"; do
    if [[ $optional == *" $p "* ]]; then left+=("$p"); else rest+=("$p"); fi
done
[ ${#left[@]} -gt 0 ] || { echo "setup: apt-get install failed" >&2; exit 1; }
echo "setup: trying again without ${left[*]}"
[ ${#rest[@]} -eq 0 ] || install "${rest[@]}" || { echo "setup: apt-get install failed" >&2; exit 1; }
# One at a time, so that one that cannot be had keeps out none of the others.
for p in "${left[@]}"; do
    install "$p" || echo "setup: cannot install $p: the tests that need it will say so"
done
