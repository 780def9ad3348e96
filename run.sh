#!/usr/bin/env bash
# ./run.sh [FILE]: installs what building the program needs, builds the program alone
# (no tests, fuzz harnesses or benchmarks), and runs it on FILE. FILE is taken relative to
# the folder you run this from.
#
# With a display (DISPLAY or WAYLAND_DISPLAY), the window: icoforge-gui starts with FILE in
# its path box as if dropped (with no FILE, its hint), and its extract button writes the
# numbered icons into out/icoforge-gui/ in this checkout.
#
# Without a display, `icoforge extract` on FILE: every icon group of a module or icon file,
# or a picture turned into an icon, goes to out/NAME/1.ico ... n.ico, NAME being FILE's
# name. out/NAME holds exactly this run's files. With no FILE, the sample module
# tests/data/sample/sample.dll is extracted.
#
# ./run.sh --windows [FILE]: builds the Windows program icoforge.exe and starts it under
# Wine with FILE (see scripts/run-windows.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/preset-build.sh
. "$here/scripts/preset-build.sh"
if [ "${1-}" = --windows ]; then
  shift
  exec "$here/scripts/run-windows.sh" "$@"
fi
file=${1:-$here/tests/data/sample/sample.dll}
case "$file" in /*) ;; *) file=$PWD/$file ;; esac
if [ ! -f "$file" ]; then
  echo "run.sh: '${1-$file}' is not a file" >&2
  exit 1
fi

# The Linux window, where there is a display to show it on.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$here/scripts/install-deps.sh" gui
  icoforge_build product --target icoforge-gui icoforge
  exec "$here/build/product/app/qt/icoforge-gui" --output "$here/out/icoforge-gui" ${1:+"$file"}
fi
echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset), so no window: running icoforge extract" >&2

"$here/scripts/install-deps.sh" build
icoforge_build product --target icoforge

outdir=$here/out/$(basename "$file")
rm -rf "$outdir"
exec "$here/build/product/cli/icoforge" extract -o "$outdir" "$file"
