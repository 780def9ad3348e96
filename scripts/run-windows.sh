#!/usr/bin/env bash
# scripts/run-windows.sh [FILE], also ./run.sh --windows [FILE]: installs what building
# and running the Windows program needs (scripts/install-deps.sh windows), builds the
# 32-bit icoforge.exe alone into build/product-windows/app/win32/ (one self-contained file,
# to be copied to a Windows machine and run as it is), and starts it under Wine, in the
# Chinese locale, on this session's X display, with FILE opened when one is given.
# FILE is taken relative to the folder you run this from. Without a display it says why
# and exits 1, after building.
#
# Where this kernel cannot run 32-bit programs, an x86_64 build of the same program
# (build/product-windows-x86_64) is what runs, under 64-bit Wine.
set -euo pipefail
shopt -s inherit_errexit
here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/preset-build.sh
. "$here/scripts/preset-build.sh"
file=${1-}
if [ -n "$file" ]; then
  case "$file" in /*) ;; *) file=$PWD/$file ;; esac
  if [ ! -f "$file" ]; then
    echo "run.sh --windows: '$1' is not a file" >&2
    exit 1
  fi
fi

"$here/scripts/install-deps.sh" windows
run_arch=$("$here/scripts/windows-test-arch.sh" 2>/dev/null)

# build_window PRESET: builds icoforge.exe and prints where it lies.
build_window() {
  local dir=$here/build/$1 exe
  icoforge_build "$1" --target icoforge_window >&2
  exe=$(find "$dir/app/win32" -maxdepth 2 -name icoforge.exe -print -quit)
  if [ -z "$exe" ]; then
    echo "run.sh --windows: the build made no icoforge.exe under $dir/app/win32" >&2
    exit 1
  fi
  echo "$exe"
}

product=$(build_window product-windows)
echo "run.sh --windows: the Windows program is $product" >&2
exe=$product
if [ "$run_arch" != i686 ]; then
  echo "run.sh --windows: this kernel runs no 32-bit programs, so an x86_64 build runs under 64-bit Wine" >&2
  exe=$(build_window product-windows-x86_64)
fi

if [ -z "${DISPLAY-}" ]; then
  echo "run.sh --windows: no X display (DISPLAY is not set), so the window cannot be shown here;" \
    "copy $product to Windows, or run this in a graphical session" >&2
  exit 1
fi
if command -v xdpyinfo >/dev/null && ! xdpyinfo >/dev/null 2>&1; then
  echo "run.sh --windows: the X display '$DISPLAY' cannot be reached, so the window cannot be shown" >&2
  exit 1
fi

wine=("$here/scripts/wine-run.sh" --arch="$run_arch")
"${wine[@]}" --prepare
args=()
if [ -n "$file" ]; then
  args+=("$("${wine[@]}" winepath -w "$file" | tr -d '\r')")
fi
exec "${wine[@]}" "$exe" "${args[@]}"
