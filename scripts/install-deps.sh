#!/usr/bin/env bash
# scripts/install-deps.sh [build|gui|test|bench]: installs, from Debian's packages, what this
# machine lacks for
#   build  compiling the program (what ./run.sh needs without a display, nothing more);
#   gui    build's set and Qt 6 with a Chinese font, for the Linux window (what ./run.sh
#          needs with a display);
#   test   (the default) every test: GoogleTest, GNU parallel, clang's sanitizers and libFuzzer, the
#          mingw-w64 cross compiler and Wine, the packaging tools and a thumbnail host. Only the Wine of the architecture this
#          kernel can run is installed (see scripts/windows-test-arch.sh);
#   bench  the tests' set and the peer tools the benchmarks compare with;
#   windows  building icoforge.exe and running it under Wine with Chinese text
#          (./run.sh --windows): the cross compiler, Wine, the font and the locale.
# The test and windows sets also make the zh_CN.UTF-8 locale, in which Wine shows the
# window's Chinese texts, and the test set brings Xvfb, on which the window tests draw.
# Safe to run again: it does nothing when everything is present.
set -euo pipefail
cd "$(dirname "$0")/.."
set_name=${1:-test}

# Header-only: option parsing, JSON, the failure type, the resizer; the cross build uses them too.
# librsvg draws SVG pictures for `icoforge make` (Linux only; a build without it says so);
# libwebp reads WebP ones (Windows: the static decoder scripts/build-windows-deps.sh builds),
# libheif HEIC and AVIF ones (Linux only);
# libdeflate compresses the PNGs extract and the thumbnailer write (zlib where it is absent).
build=(build-essential cmake ninja-build pkg-config libjpeg62-turbo-dev libpng-dev libtiff-dev zlib1g-dev
       libcli11-dev nlohmann-json3-dev libexpected-dev libstb-dev librsvg2-dev libwebp-dev libheif-dev
       libdeflate-dev)
# The Linux window: Qt 6 Widgets (its tests use Qt Test, in the same package) and a font
# that holds the window's Chinese texts.
gui=(qt6-base-dev fonts-wqy-microhei)
# icoutils and python3-pil: the check of list and extract over Wine's modules compares
# cursors with wrestool's and pixels with Pillow's; Pillow is also the reference
# `icoforge make` is checked against.
test=("${build[@]}" googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev ccache python3
      g++-mingw-w64-i686-posix binutils-mingw-w64-i686 libz-mingw-w64-dev nasm dpkg-dev icoutils python3-pil
      parallel)
# The Debian package and its checks (manual pages from --help, lintian, the completion with
# bash-completion's helpers), the Windows installer (makensis), and the thumbnail host the
# thumbnailer is tested in: GNOME's factory through the system's Python, with its sandbox.
packaging=(help2man lintian file groff-base man-db bash-completion nsis
           python3-gi gir1.2-gnomedesktop-3.0 bubblewrap shared-mime-info)
# Chinese text in Wine's windows: a CJK font its font names are mapped to, and the locale.
chinese_text=(fonts-wqy-microhei locales)
windows=("${build[@]}" g++-mingw-w64-i686-posix binutils-mingw-w64-i686 libz-mingw-w64-dev nasm dpkg-dev
         "${chinese_text[@]}" x11-utils)
need_i386=no
need_locale=no
# The Wine this kernel can run, and for 64-bit Wine the compiler of the programs it runs.
wine32=(wine wine32:i386 libwine:i386)
wine64=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64)
add_wine() {
  if [ "$(scripts/windows-test-arch.sh 2>/dev/null)" = i686 ]; then
    packages+=("${wine32[@]}")
    need_i386=yes
  else
    packages+=("${wine64[@]}")
  fi
}
case "$set_name" in
  build) packages=("${build[@]}") ;;
  gui) packages=("${build[@]}" "${gui[@]}") ;;
  test|bench)
    packages=("${test[@]}" "${gui[@]}" "${chinese_text[@]}" "${packaging[@]}" xvfb xauth)
    need_locale=yes
    add_wine
    [ "$set_name" = bench ] && packages+=(icoutils imagemagick python3-pil)
    ;;
  windows)
    packages=("${windows[@]}")
    need_locale=yes
    add_wine
    ;;
  *) echo "usage: $0 [build|gui|test|bench|windows]" >&2; exit 2 ;;
esac

have_locale() { locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; }

have_all() {
  if [ $need_i386 = yes ]; then dpkg --print-foreign-architectures | grep -qx i386 || return 1; fi
  if [ $need_locale = yes ]; then have_locale || return 1; fi
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || return 1
  done
}
have_all && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
# Another installation may hold the package manager's lock; wait for it instead of failing.
apt_wait=(-o DPkg::Lock::Timeout=600)
echo "install-deps: installing the '$set_name' packages that are missing" >&2
if [ $need_i386 = yes ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
# A mirror caught mid-sync fails one index ("File has unexpected size"); that passes within
# minutes, and the indexes apt already has usually still name every package we need, so retry
# and then go on to the install, which says plainly if a package really cannot be found.
for attempt in 1 2 3; do
  "${as_root[@]}" apt-get "${apt_wait[@]}" update -qq && break
  echo "install-deps: package index update failed (attempt $attempt of 3)" >&2
  [ $attempt -lt 3 ] && sleep $((attempt * 20))
done
install() { "${as_root[@]}" apt-get "${apt_wait[@]}" install -y -qq --no-install-recommends "$@" >/dev/null; }
if ! install "${packages[@]}"; then
  [ $need_i386 = yes ] || exit 1
  # The i386 indexes lag the amd64 ones now and then, and 32-bit Wine's libraries must match
  # their amd64 twins' versions exactly. 64-bit Wine runs the same tests on an x86_64 build,
  # and scripts/windows-test-arch.sh chooses it while 32-bit Wine is not installed.
  echo "install-deps: 32-bit Wine cannot be installed from the package indexes now; installing 64-bit Wine instead" >&2
  others=()
  for p in "${packages[@]}"; do
    case " ${wine32[*]} " in *" $p "*) ;; *) others+=("$p") ;; esac
  done
  install "${others[@]}" "${wine64[@]}"
fi
if [ $need_locale = yes ] && ! have_locale; then
  echo "install-deps: making the zh_CN.UTF-8 locale" >&2
  "${as_root[@]}" localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
