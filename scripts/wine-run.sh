#!/usr/bin/env bash
# scripts/wine-run.sh [--arch=i686|x86_64] (--prepare | --stop | PROGRAM [ARGS...])
# Runs a Windows program under Wine in the project's own prefix, quietly: a 32-bit prefix
# and 32-bit Wine for i686 (the default), a 64-bit prefix and wine64 for x86_64. CTest
# uses it as the emulator of the cross build. `--prepare` only makes sure the prefix
# exists (before parallel tests start) and stops with the reason when it cannot be made;
# `--stop` ends the Wine processes of the prefix (Wine leaves about ten running).
#
# Programs run in the Chinese locale (zh_CN.UTF-8, ANSI code page 936), the one the
# window's texts are written for. The prefix is made in that locale and maps the Chinese
# Windows font names to WenQuanYi Micro Hei (fonts-wqy-microhei): a prefix made in another
# locale keeps drawing Chinese as boxes, and without the mapping the edit box does. A
# prefix made otherwise, or by an older version of this script, is made again once.
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
if [ "${1-}" = "--stop" ]; then
  [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null
  exit 0
fi

# Where the locale is missing (scripts/install-deps.sh makes it), Wine runs in the
# caller's; the marker records which, so the prefix is made again once it appears.
locale=zh_CN.UTF-8
if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
  locale=${LC_ALL:-${LANG:-C}}
  if [ "${1-}" = "--prepare" ]; then
    echo "wine-run: the zh_CN.UTF-8 locale is missing (scripts/install-deps.sh makes it); Chinese text shows as boxes" >&2
  fi
fi
export LANG=$locale LC_ALL=$locale
marker=$WINEPREFIX/icoforge-prefix
wanted="icoforge prefix 2, locale $locale, Chinese font names mapped to WenQuanYi Micro Hei"

# The fonts' mapping, as regedit takes it: UTF-16 with a byte order mark.
import_font_names() {
  local reg=$WINEPREFIX/drive_c/icoforge-fonts.reg
  {
    printf '\xff\xfe'
    iconv -f UTF-8 -t UTF-16LE <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Microsoft YaHei UI"="WenQuanYi Micro Hei"
"Microsoft YaHei"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"
"SimHei"="WenQuanYi Micro Hei"
"宋体"="WenQuanYi Micro Hei"
"微软雅黑"="WenQuanYi Micro Hei"
EOF
  } >"$reg"
  "$loader" regedit /S 'C:\icoforge-fonts.reg' && wineserver -w && rm -f "$reg" &&
    grep -q 'WenQuanYi Micro Hei' "$WINEPREFIX/user.reg"
}

if [ "$(cat "$marker" 2>/dev/null)" != "$wanted" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  # Tests and other checkouts may use the same prefix; one makes it, the others wait.
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ "$(cat "$marker" 2>/dev/null)" != "$wanted" ]; then
    if [ -d "$WINEPREFIX" ]; then
      wineserver -k 2>/dev/null || true
      rm -rf "$WINEPREFIX"
    fi
    log=$(mktemp)
    if ! "$loader" wineboot -i >"$log" 2>&1 || ! wineserver -w >>"$log" 2>&1 || [ ! -f "$WINEPREFIX/system.reg" ] ||
       ! import_font_names >>"$log" 2>&1; then
      echo "wine-run: cannot make the $WINEARCH prefix $WINEPREFIX with $loader:" >&2
      tail -n 5 "$log" | sed 's/^/  /' >&2
      rm -f "$log"
      rm -rf "$WINEPREFIX"
      exit 1
    fi
    rm -f "$log"
    echo "$wanted" >"$marker"
  fi
  exec 9>&-
fi
[ "${1-}" = "--prepare" ] && exit 0
exec "$loader" "$@"
