# shellcheck shell=bash
# Sourced by test.sh, run.sh, scripts/run-windows.sh and scripts/bench.sh: builds one
# preset of CMakePresets.json, through ccache where it is installed.
#
# icoforge_build PRESET [-DNAME=VALUE ...] [--target NAME ...]
#   Configures PRESET (CMake's own output hidden) with the settings given, then builds all
#   of it or the targets named. A Windows preset first gets the static picture libraries
#   scripts/build-windows-deps.sh makes for its architecture.
icoforge_source=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

icoforge_build() {
  local preset=$1 arch prefix
  local settings=(-Wno-dev)
  shift
  while [ $# -gt 0 ] && [ "${1#-D}" != "$1" ]; do
    settings+=("$1")
    shift
  done
  if command -v ccache >/dev/null; then
    settings+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  case $preset in
    *windows-x86_64) arch=x86_64 ;;
    *windows*) arch=i686 ;;
    *) arch= ;;
  esac
  if [ -n "$arch" ]; then
    prefix=$("$icoforge_source/scripts/build-windows-deps.sh" "$arch")
    settings+=("-DICOFORGE_WINDOWS_PREFIX=$prefix")
  fi
  (cd "$icoforge_source" && cmake --preset "$preset" "${settings[@]}" >/dev/null &&
    cmake --build --preset "$preset" "$@")
}
