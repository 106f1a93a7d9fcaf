#!/bin/bash
# Installs what building and testing need on Debian 12, leaving alone what is there already:
# MinGW-w64 for 32-bit and 64-bit Windows; Wine of both widths (32-bit Wine installs even where it
# cannot run) and its Windows headers; Xvfb, GoogleTest, clang and lld (and libFuzzer, for the
# text tool's fuzzer), python3-pefile, ImageMagick, xdotool, NSIS, wixl (Windows Installer
# packages) and golang-go.
set -euo pipefail

packages=(cmake make g++ googletest g++-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine wine32:i386 wine64 fonts-wine libwine-dev:i386 xvfb x11-utils python3-pefile imagemagick
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
$sudo apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
