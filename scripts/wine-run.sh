#!/usr/bin/env bash
# scripts/wine-run.sh [--arch=i686|x86_64] (--prepare | PROGRAM [ARGS...])
# Runs a Windows program under Wine in the project's own prefix, quietly: a 32-bit prefix
# and 32-bit Wine for i686 (the default), a 64-bit prefix and wine64 for x86_64. CTest
# uses it as the emulator of the cross build. `--prepare` only makes sure the prefix
# exists (before parallel tests start) and stops with the reason when it cannot be made.
set -euo pipefail
arch=i686
case "${1-}" in --arch=*) arch=${1#--arch=}; shift ;; esac
case "$arch" in
  i686) export WINEARCH=win32 loader=/usr/lib/wine/wine name=wine32 ;;
  x86_64) export WINEARCH=win64 loader=/usr/lib/wine/wine64 name=wine64 ;;
  *) echo "wine-run: unknown architecture '$arch'" >&2; exit 2 ;;
esac
export WINEPREFIX="${ICOFORGE_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/icoforge/$name}"
export WINELOADER=$loader
export WINEDLLOVERRIDES="mscoree=;mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
export DISPLAY="${DISPLAY-}"

if [ ! -x "$loader" ]; then
  echo "wine-run: $loader is missing; scripts/install-deps.sh installs the Wine this machine can run" >&2
  exit 1
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  log=$(mktemp)
  if ! "$loader" wineboot -i >"$log" 2>&1 || ! wineserver -w >>"$log" 2>&1 || [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-run: cannot make the $WINEARCH prefix $WINEPREFIX with $loader:" >&2
    tail -n 5 "$log" | sed 's/^/  /' >&2
    rm -f "$log"
    rm -rf "$WINEPREFIX"
    exit 1
  fi
  rm -f "$log"
fi
[ "${1-}" = "--prepare" ] && exit 0
exec "$loader" "$@"
