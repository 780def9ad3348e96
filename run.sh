#!/usr/bin/env bash
# ./run.sh [FILE]: installs what building the program needs, builds the program alone
# (no tests, fuzz harnesses or benchmarks), and runs `icoforge extract` on FILE: every icon
# group of a module or icon file, or a picture turned into an icon, goes to
# out/NAME/1.ico ... n.ico in this checkout, NAME being FILE's name. out/NAME holds exactly
# this run's files. FILE is taken relative to the folder you run this from; with no FILE,
# the sample module tests/data/sample/sample.dll is extracted.
#
# ./run.sh --windows [FILE]: builds the Windows program icoforge.exe and starts it under
# Wine with FILE (see scripts/run-windows.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
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

"$here/scripts/install-deps.sh" build
cmake -S "$here" -B "$here/build/product" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DICOFORGE_TESTS=OFF -DICOFORGE_FUZZ=OFF -DICOFORGE_BENCH=OFF >/dev/null
cmake --build "$here/build/product" --target icoforge

outdir=$here/out/$(basename "$file")
rm -rf "$outdir"
exec "$here/build/product/cli/icoforge" extract -o "$outdir" "$file"
