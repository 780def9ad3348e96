#!/usr/bin/env bash
# tests/packaging/deb_test.sh STEP BUILD_DIR: the Debian package of BUILD_DIR, tested as a
# user receives it. STEP make builds it (cpack -G DEB) into BUILD_DIR/package and unpacks
# it (dpkg-deb -x); the other steps read what make left: contents, lintian, apt, run.
# Exit 77 is a skip, its reason on the last line.
set -euo pipefail
step=$1 build=$(realpath "$2")
package_dir=$build/package
unpacked=$package_dir/unpacked
skip() { echo "$1"; exit 77; }
fail() { echo "FAILED: $1"; exit 1; }
deb() {
  local found=("$package_dir"/icoforge_*.deb)
  [ -f "${found[0]}" ] || fail "no package in $package_dir"
  echo "${found[0]}"
}

case "$step" in
make)
  command -v dpkg-deb >/dev/null || skip "dpkg-deb is missing (package dpkg)"
  command -v dpkg-shlibdeps >/dev/null || skip "dpkg-shlibdeps is missing (package dpkg-dev)"
  rm -rf "$package_dir"
  (cd "$build" && cpack -G DEB -B "$package_dir" >"$package_dir.log" 2>&1) || { cat "$package_dir.log"; fail "cpack"; }
  rm -rf "$package_dir/_CPack_Packages"
  dpkg-deb -x "$(deb)" "$unpacked"
  echo "made $(deb)"
  ;;
contents)
  file=$(deb)
  version=$(dpkg-deb -f "$file" Version)
  arch=$(dpkg-deb -f "$file" Architecture)
  [ "$(basename "$file")" = "icoforge_${version}_${arch}.deb" ] || fail "file name $(basename "$file")"
  [ "$arch" = "$(dpkg --print-architecture)" ] || fail "architecture $arch"
  depends=$(dpkg-deb -f "$file" Depends)
  for library in libc6 libpng16-16 libjpeg62-turbo libtiff6; do
    [[ $depends == *"$library "* ]] || fail "Depends lacks $library: $depends"
  done
  # What a user of each feature looks for, and the mode it must have.
  expected="\
755 usr/bin/icoforge
755 usr/bin/icoforge-gui
644 usr/share/applications/icoforge.desktop
644 usr/share/thumbnailers/icoforge.thumbnailer
644 usr/share/mime/packages/icoforge.xml
644 usr/share/icons/hicolor/scalable/apps/icoforge.svg
644 usr/share/icons/hicolor/256x256/apps/icoforge.png
644 usr/share/man/man1/icoforge.1.gz
644 usr/share/man/man1/icoforge-gui.1.gz
644 usr/share/bash-completion/completions/icoforge
644 usr/share/doc/icoforge/copyright
644 usr/share/doc/icoforge/changelog.gz
"
  while read -r mode path; do
    [ -n "$path" ] || continue
    [ -e "$unpacked/$path" ] || fail "the package lacks $path"
    [ "$(stat -c %a "$unpacked/$path")" = "$mode" ] || fail "$path has mode $(stat -c %a "$unpacked/$path"), not $mode"
  done <<<"$expected"
  [ "$(readlink "$unpacked/usr/share/bash-completion/completions/icoforge-gui")" = icoforge ] ||
    fail "icoforge-gui's completion is not the link to icoforge's"
  # Nothing of the build tree rides along: every file is one of the list or a link to one.
  others=$(cd "$unpacked" && find . -type f | sed 's|^\./||' | grep -v -x -F -f <(cut -d' ' -f2 <<<"$expected" | sed '/^$/d') || true)
  [ -z "$others" ] || fail "unexpected files: $others"
  file "$unpacked/usr/bin/icoforge" | grep -q ', stripped' || fail "icoforge is not stripped"
  echo "contents as listed, version $version"
  ;;
lintian)
  command -v lintian >/dev/null || skip "lintian is missing (package lintian)"
  # Every tag, informational ones included; none is accepted.
  # spelling-error-in-binary at the info level reads two neighbouring strings of the
  # program's data as one word ("read" + "fol..."): what it finds moves with every build.
  report=$(lintian --info --display-info --pedantic --tag-display-limit 0 "$(deb)" 2>&1 |
    grep -v -e '^running with root' -e '^N:' -e '^I: [^ ]* spelling-error-in-binary ' || true)
  [ -z "$report" ] || fail "lintian: $report"
  echo "lintian: clean"
  ;;
apt)
  # What `apt install ./PACKAGE` would do on this machine: every dependency found in the
  # archive, nothing removed.
  command -v apt-get >/dev/null || skip "apt-get is missing"
  plan=$(apt-get install --simulate --quiet "$(deb)" 2>&1) || fail "apt cannot install it: $plan"
  grep -q '^Inst icoforge ' <<<"$plan" || fail "apt would not install it: $plan"
  ! grep -q '^Remv ' <<<"$plan" || fail "installing it would remove: $(grep '^Remv ' <<<"$plan")"
  echo "apt would install it with its dependencies"
  ;;
run)
  program=$unpacked/usr/bin/icoforge
  version=$(dpkg-deb -f "$(deb)" Version)
  [ "$("$program" --version)" = "icoforge $version" ] || fail "--version says '$("$program" --version)'"
  "$program" --help | grep -q '^  thumbnail ' || skip "this icoforge has no thumbnail subcommand yet"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  "$program" thumbnail -s 48 "$(dirname "$0")/../data/sample/sample.dll" "$work/sample.png" ||
    fail "thumbnail exited with $?"
  file "$work/sample.png" | grep -q 'PNG image data, 48 x 48' || fail "thumbnail wrote $(file -b "$work/sample.png")"
  echo "the unpacked icoforge runs: --version, thumbnail"
  ;;
*) echo "usage: $0 make|contents|lintian|apt|run BUILD_DIR" >&2; exit 2 ;;
esac
