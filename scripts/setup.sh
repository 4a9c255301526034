#!/usr/bin/env bash
# Installs every Debian package the project needs. Safe to run again: packages already
# present are left alone, and the i386 architecture is added only once.
set -euo pipefail

packages=(
  build-essential cmake ninja-build clang libclang-rt-14-dev llvm
  googletest zlib1g-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine64 wine32:i386 qemu-user-static xvfb x11-apps imagemagick xdotool
  zip unzip p7zip-full libarchive-tools python3
  osslsigncode openssl  # mksfx --sign, and the throw-away certificates of its tests
  fonts-wqy-microhei  # Chinese, Japanese and Korean glyphs for the screenshots under Wine
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  stale_lists=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
elif [ -n "${stale_lists:-}" ]; then
  apt-get update -qq
fi
