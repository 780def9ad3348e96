#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the tests, the Windows cross
# build and the benchmarks need and this machine lacks. Safe to run again: it does
# nothing when everything is present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libjpeg62-turbo-dev libpng-dev libtiff-dev zlib1g-dev
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev nasm dpkg-dev
  wine wine64 wine32:i386 libwine:i386
  icoutils imagemagick
)

have_all() {
  dpkg --print-foreign-architectures | grep -qx i386 || return 1
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || return 1
  done
}

if have_all; then
  exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || "${as_root[@]}" dpkg --add-architecture i386
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
