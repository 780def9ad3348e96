#!/usr/bin/env bash
# packaging/linux/make-manpage.sh PROGRAM INCLUDE OUT.1.gz [--subcommands] [--version=V]
# Writes PROGRAM's manual page from its own --help text with help2man, so the page says
# what the program says. INCLUDE adds the sections --help has no room for. With
# --subcommands, every subcommand listed by `PROGRAM --help` gets a part of its own made
# of `PROGRAM SUBCOMMAND --help`, word for word. --version stands in for a program that
# has no --version of its own. The page is compressed as Debian wants it (gzip -9n).
set -euo pipefail
program=$1 include=$2 out=$3
shift 3
subcommands=no
version_args=()
for arg; do
  case "$arg" in
    --subcommands) subcommands=yes ;;
    --version=*) version_args=(--version-string="${arg#--version=}") ;;
    *) echo "make-manpage: unknown argument '$arg'" >&2; exit 2 ;;
  esac
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# help2man runs the program by name; the build's own, whatever its path.
name=$(basename "$program")
ln -s "$(realpath "$program")" "$work/$name"

# roff takes the help text as it is once its backslashes are doubled and a line's leading
# dot or quote can no longer be read as a request.
as_roff() { sed -e 's/\\/\\e/g' -e "s/^\([.']\)/\\\\\&\1/"; }

cp "$include" "$work/include.h2m"
if [ $subcommands = yes ]; then
  # The listing's lines name one subcommand each: two spaces, the name, two spaces or more.
  names=$("$work/$name" --help | sed -n 's/^  \([a-z][a-z-]*\) \+[^ -].*/\1/p')
  [ -n "$names" ] || { echo "make-manpage: '$name --help' lists no subcommands" >&2; exit 1; }
  {
    echo "[SUBCOMMANDS]"
    for sub in $names; do
      echo ".SS \"$name $sub\""
      echo ".nf"
      "$work/$name" "$sub" --help | as_roff
      echo ".fi"
    done
  } >>"$work/include.h2m"
fi
# Date and source fixed, so that the page of one version reads the same whenever built.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-0} help2man --no-info --section=1 --source=icoforge \
  --include="$work/include.h2m" "${version_args[@]}" --output="$work/page.1" "$work/$name"
gzip -9n <"$work/page.1" >"$out.tmp"
mv "$out.tmp" "$out"
