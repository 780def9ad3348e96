#!/usr/bin/env bash
# Rebuilds sample.dll, the small resource-only module that `./run.sh` extracts when it is
# given no file: draws the icons, compiles sample.rc, links a 32-bit DLL with no code.
# Needs a C++ compiler, zlib and the mingw-w64 i686 toolchain.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
c++ -std=c++20 -O1 "$here/make_icons.cpp" -o "$work/make_icons" -lz
"$work/make_icons" "$work"
cp "$here/sample.rc" "$work/"
(cd "$work" && i686-w64-mingw32-windres sample.rc -O coff -o sample.res)
i686-w64-mingw32-ld -shared -e 0 -s --no-insert-timestamp -o "$here/sample.dll" "$work/sample.res"
echo "$here/sample.dll"
