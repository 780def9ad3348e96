#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own 32-bit prefix, quietly. CTest
# uses it as the emulator of the cross build.
set -euo pipefail
export WINEARCH=win32
export WINEPREFIX="${ICOFORGE_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/icoforge/wine32}"
export WINEDLLOVERRIDES="mscoree=;mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
export DISPLAY="${DISPLAY-}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi
# `wine-run.sh --prepare` only makes sure the prefix exists (before parallel tests start).
[ "${1-}" = "--prepare" ] && exit 0
exec wine "$@"
