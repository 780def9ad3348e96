#!/usr/bin/env bash
# scripts/build-windows-deps.sh [i686|x86_64]: builds libjpeg-turbo, libpng, libtiff and
# libwebp's decoder as static libraries for 32-bit Windows (i686-w64-mingw32, the default)
# or 64-bit Windows (x86_64-w64-mingw32, for machines that run only 64-bit Wine) from
# Debian's source packages and prints their install prefix, the value for
# -DICOFORGE_WINDOWS_PREFIX. zlib is not built: libz-mingw-w64-dev provides the static
# libz.a in the mingw sysroot.
#
# The result is kept outside the checkout, in a folder named after this file's content,
# so it is rebuilt only when this script changes; when that folder is complete the
# script only prints it. Standard output carries the prefix and nothing else, because
# callers capture it; all progress goes to standard error.
#
# Environment: ICOFORGE_CACHE_DIR (default ${XDG_CACHE_HOME:-$HOME/.cache}/icoforge),
# ICOFORGE_DEBIAN_MIRROR (default http://deb.debian.org/debian), ICOFORGE_JOBS (2).
set -euo pipefail
exec 3>&1 1>&2

self=$(readlink -f "${BASH_SOURCE[0]}")
key=$(sha256sum "$self" | cut -c1-16)
cache_root=${ICOFORGE_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/icoforge}
arch=${1:-i686}
case "$arch" in i686|x86_64) ;; *) echo "usage: $0 [i686|x86_64]"; exit 2 ;; esac
top=$cache_root/windows-deps-$arch-$key
prefix=$top/prefix
done_mark=$top/complete

if [ -f "$done_mark" ]; then
  echo "$prefix" >&3
  exit 0
fi

mirror=${ICOFORGE_DEBIAN_MIRROR:-http://deb.debian.org/debian}
jobs=${ICOFORGE_JOBS:-2}
triplet=$arch-w64-mingw32
sysroot=/usr/$triplet

# Only the main archive's versions are pinned: the security archive's newest .dsc files
# cannot be fetched from every machine this runs on. A new Debian upload replaces a pin,
# and the build then stops with a message naming it rather than building something else.
pins=(
  "libjpeg-turbo 1:2.1.5-2"
  "libpng1.6 1.6.39-2+deb12u5"
  "tiff 4.5.0-6+deb12u4"
  "libwebp 1.2.4-0.2+deb12u1"
)
# Each .dsc sum was checked against the Sources index, and each tarball's against its .dsc.
sums="\
d718ead0dfbcbc8523665c02a7f7152e31039ded641d022868722623bb3b486d  libjpeg-turbo_2.1.5-2.dsc
254f3642b04e309fee775123133c6464181addc150499561020312ec61c1bf7c  libjpeg-turbo_2.1.5.orig.tar.gz
cdb2433c2f7101345c1ffa14efb943787c675b86354691a32490845fe4bc9237  libjpeg-turbo_2.1.5-2.debian.tar.xz
7b86211030a34deb6b0a2cd7e1d9db0fe92443fd30cab537fb89b1e7f7c9f188  libpng1.6_1.6.39-2+deb12u5.dsc
a00e9d2f2f664186e4202db9299397f851aea71b36a35e74910b8820e380d441  libpng1.6_1.6.39.orig.tar.gz
ab14906eda9fddf14cbb1e589b9ba7439c22e233dc3c5e3cf9356c9625565a82  libpng1.6_1.6.39-2+deb12u5.debian.tar.xz
b32082304d725936078d687303fcf771c9ecf738b505f9a66a29e8ba282c8615  tiff_4.5.0-6+deb12u4.dsc
638f43d7dea33948d5dee7f39572fc0194d9cc3c74195de9dd26a4388a1f880a  tiff_4.5.0.orig.tar.bz2
4ee50a8cdf74a184d94e65a04f3c9de466cb0b74ef5393fb5ca65666fccb864b  tiff_4.5.0-6+deb12u4.debian.tar.xz
d9ed0b59e2010f255c28d0869fd15b31f9b08aed757bfc91862d43aa9ec1aa99  libwebp_1.2.4-0.2+deb12u1.dsc
7bf5a8a28cc69bcfa8cb214f2c3095703c6b73ac5fba4d5480c205331d9494df  libwebp_1.2.4.orig.tar.gz
69cdba4dfe2e1b34d55fa80c1b29c31cacd40dd183812d6bcca7e508a2f7afcd  libwebp_1.2.4-0.2+deb12u1.debian.tar.xz
"

say() { echo "build-windows-deps: $*"; }
die() { say "error: $*"; exit 1; }

for tool in apt-get apt-cache dpkg-source cmake ninja nasm sha256sum flock \
            $triplet-gcc-posix $triplet-g++-posix $triplet-windres $triplet-objdump; do
  command -v "$tool" >/dev/null || die "$tool is missing; run scripts/install-deps.sh"
done
[ -f "$sysroot/lib/libz.a" ] || die "$sysroot/lib/libz.a is missing (package libz-mingw-w64-dev)"

mkdir -p "$top"
# Two builds at once (parallel CI jobs, two checkouts) would trample one prefix.
exec 9>"$top/lock"
flock 9
if [ -f "$done_mark" ]; then
  echo "$prefix" >&3
  exit 0
fi

# Holding the lock, any work folder found here is the leftover of a killed run.
rm -rf "$top"/work.*
work=$(mktemp -d "$top/work.XXXXXX")
# The deb-src entry and apt's state live in $work, so removing it removes them too; the
# signal traps make an interrupted run go through the EXIT trap as well.
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
# Build systems that resolve a relative path against the working folder land in $work.
cd "$work"
rm -rf "$prefix"
mkdir -p "$prefix"
start=$SECONDS

# --- sources --------------------------------------------------------------------------
# A private apt configuration: the machine's own sources and package lists stay as they
# are, and nothing needs undoing after a failure beyond deleting $work.
mkdir -p "$work/apt/sources" "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/src"
cat >"$work/apt/sources/icoforge-deb-src.sources" <<EOF
Types: deb-src
URIs: $mirror
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
apt_opts=(
  -o Dir::Etc::SourceList=/dev/null
  -o Dir::Etc::SourceParts="$work/apt/sources"
  -o Dir::State::Lists="$work/apt/lists"
  -o Dir::Cache="$work/apt/cache"
  # As root apt downloads as user _apt, who cannot write into a private cache folder.
  -o APT::Sandbox::User=root
)
say "reading Debian's source index from $mirror"
apt-get "${apt_opts[@]}" -qq update || die "apt-get update of the deb-src entry for $mirror failed"

missing=()
for pin in "${pins[@]}"; do
  read -r pkg ver <<<"$pin"
  served=$(apt-cache "${apt_opts[@]}" showsrc --only-source "$pkg" 2>/dev/null |
           sed -n 's/^Version: //p')
  grep -qxF -- "$ver" <<<"$served" ||
    missing+=("$pkg $ver (served: $(paste -sd ' ' <<<"${served:-nothing}"))")
done
if [ ${#missing[@]} -gt 0 ]; then
  for m in "${missing[@]}"; do say "error: pinned source package $m"; done
  die "$mirror (bookworm, bookworm-updates) no longer serves the pinned version;" \
      "update the pins and their sha256 sums in $self"
fi
say "downloading ${pins[*]}"
(cd "$work/src" && apt-get "${apt_opts[@]}" -qq source --download-only "${pins[@]/ /=}") ||
  die "downloading the pinned source packages failed"

say "checking sha256 sums"
(cd "$work/src" && sha256sum --quiet --strict -c - <<<"$sums") ||
  die "a downloaded source file does not match its pinned sha256 sum"

say "unpacking with Debian's patches"
# The .dsc signatures cannot be checked without debian-keyring; the pinned sums stand in.
for dsc in "$work"/src/*.dsc; do
  (cd "$work/src" && dpkg-source -x "$dsc") >"$work/unpack.log" 2>&1 || {
    cat "$work/unpack.log"
    die "dpkg-source -x $(basename "$dsc") failed"
  }
done
jpeg_src=$work/src/libjpeg-turbo-2.1.5
png_src=$work/src/libpng1.6-1.6.39
tiff_src=$work/src/tiff-4.5.0
webp_src=$work/src/libwebp-1.2.4
for d in "$jpeg_src" "$png_src" "$tiff_src" "$webp_src"; do
  [ -f "$d/CMakeLists.txt" ] || die "expected unpacked sources in $d"
done

# --- build ----------------------------------------------------------------------------
cat >"$work/toolchain.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $arch)
set(CMAKE_C_COMPILER $triplet-gcc-posix)
set(CMAKE_CXX_COMPILER $triplet-g++-posix)
set(CMAKE_RC_COMPILER $triplet-windres)
set(CMAKE_FIND_ROOT_PATH $sysroot "$prefix")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

common=(
  -G Ninja
  -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake"
  -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_INSTALL_PREFIX="$prefix"
  -DCMAKE_POSITION_INDEPENDENT_CODE=OFF
  # The sysroot also holds libz.dll.a; naming the archive keeps zlib1.dll out of the .exe.
  -DZLIB_LIBRARY="$sysroot/lib/libz.a"
  -DZLIB_INCLUDE_DIR="$sysroot/include"
  -Wno-dev
)

configure_and_build() {  # configure_and_build NAME SOURCE_DIR TARGET CMAKE_ARGS...
  local name=$1 src=$2 target=$3
  shift 3
  say "building $name"
  cmake -S "$src" -B "$work/build-$name" "${common[@]}" "$@" >"$work/$name-configure.log" 2>&1 || {
    cat "$work/$name-configure.log"
    die "configuring $name failed"
  }
  cmake --build "$work/build-$name" -j"$jobs" --target "$target" || die "building $name failed"
}

# Only the library is built, not the sample programs; the install rule insists on those,
# so the library and its four headers are put in place by hand.
# --reproducible keeps nasm's version and a timestamp out of the objects.
configure_and_build libjpeg-turbo "$jpeg_src" jpeg-static \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
  -DWITH_SIMD=ON -DREQUIRE_SIMD=ON \
  -DCMAKE_ASM_NASM_COMPILER=nasm -DCMAKE_ASM_NASM_FLAGS=--reproducible \
  -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -DWITH_12BIT=OFF
install -D -m 644 "$work/build-libjpeg-turbo/libjpeg.a" "$prefix/lib/libjpeg.a"
install -D -m 644 -t "$prefix/include" "$work/build-libjpeg-turbo/jconfig.h" \
  "$jpeg_src/jpeglib.h" "$jpeg_src/jmorecfg.h" "$jpeg_src/jerror.h"

configure_and_build libpng "$png_src" all \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_FRAMEWORK=OFF
cmake --install "$work/build-libpng" >/dev/null || die "installing libpng failed"

configure_and_build libtiff "$tiff_src" all \
  -DBUILD_SHARED_LIBS=OFF \
  -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dtiff-deprecated=OFF \
  -Dsphinx=OFF -Dcxx=OFF -Dtiff-opengl=OFF \
  -Dzlib=ON -Djpeg=ON -Dold-jpeg=ON -Djpeg12=OFF \
  -Dpixarlog=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Djbig=OFF -Dlerc=OFF -Dlibdeflate=OFF \
  -DJPEG_LIBRARY="$prefix/lib/libjpeg.a" -DJPEG_INCLUDE_DIR="$prefix/include"
cmake --install "$work/build-libtiff" >/dev/null || die "installing libtiff failed"

# The decoder alone: icoforge reads WebP and writes none. Its install rule wants the whole
# set, so the library and the two headers decode.h needs are put in place by hand.
configure_and_build libwebp "$webp_src" webpdecoder \
  -DBUILD_SHARED_LIBS=OFF \
  -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF -DWEBP_BUILD_GIF2WEBP=OFF \
  -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_LIBWEBPMUX=OFF \
  -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF
install -D -m 644 "$work/build-libwebp/libwebpdecoder.a" "$prefix/lib/libwebpdecoder.a"
install -D -m 644 -t "$prefix/include/webp" "$webp_src/src/webp/decode.h" "$webp_src/src/webp/types.h"

# --- checks ---------------------------------------------------------------------------
# libtiff drops a codec silently when it cannot find its library; insist on the set.
tiff_config=("$prefix/include/tiffconf.h" "$work/build-libtiff/libtiff/tif_config.h")
for want in JPEG_SUPPORT OJPEG_SUPPORT ZIP_SUPPORT; do
  grep -qh "^#define $want" "${tiff_config[@]}" || die "libtiff was built without $want"
done
for unwanted in PIXARLOG LZMA ZSTD WEBP JBIG LERC LIBDEFLATE; do
  if grep -qh "^#define ${unwanted}_SUPPORT" "${tiff_config[@]}"; then
    die "libtiff was built with ${unwanted}_SUPPORT"
  fi
done
for lib in libjpeg.a libpng16.a libtiff.a libwebpdecoder.a; do
  [ -f "$prefix/lib/$lib" ] || die "$prefix/lib/$lib was not installed"
done
if compgen -G "$prefix/lib/*.dll.a" >/dev/null || compgen -G "$prefix/bin/*.dll" >/dev/null; then
  die "a DLL or import library was installed into $prefix"
fi

# One program that calls into all five, linked the way icoforge.exe is: it must need no
# DLL beyond those of Windows itself.
cat >"$work/probe.c" <<'EOF'
#include <stdio.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <webp/decode.h>
#include <zlib.h>
int main(void) {
  struct jpeg_decompress_struct cinfo;
  struct jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  printf("%s %s %s webp %x\n", png_get_libpng_ver(NULL), TIFFGetVersion(), zlibVersion(), WebPGetDecoderVersion());
  return TIFFFindCODEC(COMPRESSION_OJPEG) && TIFFFindCODEC(COMPRESSION_ADOBE_DEFLATE) ? 0 : 1;
}
EOF
$triplet-gcc-posix -static -I"$prefix/include" -I"$sysroot/include" "$work/probe.c" \
  -o "$work/probe.exe" -L"$prefix/lib" -ltiff -lpng16 -ljpeg -lwebpdecoder "$sysroot/lib/libz.a" ||
  die "a program linking libtiff, libpng, libjpeg, libwebp and zlib statically does not link"
if $triplet-objdump -p "$work/probe.exe" | grep -i 'DLL Name:' | grep -iE 'zlib|z\.dll|png|jpeg|tiff|webp|pthread'; then
  die "the statically linked probe still imports one of the libraries from a DLL"
fi

touch "$done_mark"
say "done in $((SECONDS - start)) s: $prefix"
echo "$prefix" >&3
