#!/usr/bin/env bash
# tests/packaging/manpage_test.sh PROGRAM PAGE.1.gz...: every subcommand PROGRAM lists has
# its part in the first page, and every page renders without a warning and gives apropos
# its one-line summary.
set -euo pipefail
program=$1
shift
fail() { echo "FAILED: $1"; exit 1; }
command -v groff >/dev/null || { echo "groff is missing (package groff-base)"; exit 77; }
names=$("$program" --help | sed -n 's/^  \([a-z][a-z-]*\) \+[^ -].*/\1/p')
[ -n "$names" ] || fail "'$program --help' lists no subcommands"
for name in $names; do
  zcat "$1" | grep -qx ".SS \"icoforge $name\"" || fail "$(basename "$1") has no part for $name"
  # The part holds the subcommand's own usage line.
  usage=$("$program" "$name" --help | head -n 1)
  zcat "$1" | grep -qF -- "${usage//-/\\-}" || zcat "$1" | grep -qF -- "$usage" || fail "the part for $name lacks '$usage'"
done
for page; do
  warnings=$(zcat "$page" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  if command -v lexgrog >/dev/null; then
    lexgrog "$page" | grep -q ' - ' || fail "$(basename "$page") gives apropos no summary"
  fi
done
echo "manual pages: $(echo $names | wc -w) subcommands, $# pages render cleanly"
