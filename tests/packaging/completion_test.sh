#!/usr/bin/env bash
# tests/packaging/completion_test.sh COMPLETION PROGRAM: what bash offers after each
# command line of the table, with bash-completion loaded as a user's shell has it.
set -uo pipefail
completion=$(realpath "$1") program=$(realpath "$2")
framework=/usr/share/bash-completion/bash_completion
[ -r "$framework" ] || { echo "bash-completion is missing (package bash-completion)"; exit 77; }
# shellcheck source=/dev/null
source "$framework"
# shellcheck source=/dev/null
source "$completion"
PATH=$(dirname "$(realpath "$program")"):$PATH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && mkdir sub && touch a.dll B.ICO c.png d.txt e.lnk f.bmp g.webp h.HEIC i.url

# offered LINE: the words bash offers at the end of LINE, one a line, sorted.
offered() {
  local line=$1
  read -r -a COMP_WORDS <<<"$line"
  [[ $line == *' ' ]] && COMP_WORDS+=('')
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_LINE=$line COMP_POINT=${#line}
  COMPREPLY=()
  local function=_icoforge
  [ "${COMP_WORDS[0]}" = icoforge-gui ] && function=_icoforge_gui
  "$function" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort
}

failures=0
# LINE | words that must be offered | words that must not
while IFS='|' read -r line wanted unwanted; do
  [ -n "$line" ] || continue
  got=$(offered "$line")
  for word in $wanted; do
    grep -qx -F -- "$word" <<<"$got" || { echo "'$line': '$word' not offered (offered: $(echo $got))"; failures=$((failures + 1)); }
  done
  for word in $unwanted; do
    grep -qx -F -- "$word" <<<"$got" && { echo "'$line': '$word' offered"; failures=$((failures + 1)); }
  done
done <<'TABLE'
icoforge |extract count group icon convert resolve thumbnail help|a.dll --help
icoforge ex|extract|count
icoforge -|--help --version|extract
icoforge help |extract count thumbnail|a.dll
icoforge group -|--verbose --help|--raw --size
icoforge icon --|--raw --transparent --cursor|-v
icoforge extract -s |16 32 64 128|a.dll 256
icoforge thumbnail -s |16 48 256|a.dll
icoforge count |a.dll B.ICO sub|c.png d.txt e.lnk
icoforge extract |a.dll B.ICO c.png f.bmp sub|d.txt
icoforge convert |c.png f.bmp sub|a.dll d.txt g.webp
icoforge make |a.dll B.ICO c.png g.webp h.HEIC e.lnk i.url sub|d.txt
icoforge icon |f.bmp|c.png a.dll
icoforge resolve |e.lnk sub|a.dll c.png
icoforge thumbnail |a.dll B.ICO e.lnk i.url|c.png d.txt
icoforge thumbnail -s 32 a.dll |c.png sub|a.dll d.txt
icoforge extract -o |sub|a.dll c.png
icoforge-gui |a.dll c.png e.lnk sub|d.txt
icoforge-gui --output |sub|a.dll
icoforge-gui --|--output --help|
TABLE
# Every subcommand the program lists is offered.
for name in $("$program" --help | sed -n 's/^  \([a-z][a-z-]*\) \+[^ -].*/\1/p'); do
  offered "icoforge " | grep -qx "$name" || { echo "subcommand $name not offered"; failures=$((failures + 1)); }
done
[ $failures -eq 0 ] || { echo "FAILED: $failures completions wrong"; exit 1; }
echo "completion: every line of the table as expected"
