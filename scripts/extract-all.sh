#!/usr/bin/env bash
# scripts/extract-all.sh ICOFORGE [FILE] OUTDIR: writes every icon group of FILE to
# OUTDIR/1.ico ... OUTDIR/n.ico, one `icoforge group` per group after `icoforge count`,
# and prints each path written. With no FILE (or an empty one), the sample module
# tests/data/sample/sample.dll is extracted.
set -euo pipefail
if [[ $# -lt 2 || $# -gt 3 ]]; then
  echo "usage: $0 ICOFORGE [FILE] OUTDIR" >&2
  exit 2
fi
icoforge=$1
if [[ $# -eq 3 ]]; then file=$2; outdir=$3; else file=""; outdir=$2; fi
[[ -n "$file" ]] || file="$(cd "$(dirname "$0")/.." && pwd)/tests/data/sample/sample.dll"

count=$("$icoforge" count "$file")
if [[ "$count" -eq 0 ]]; then
  echo "extract-all: no icons in $file" >&2
  exit 1
fi
mkdir -p "$outdir"
written=0
for ((i = 1; i <= count; i++)); do
  if "$icoforge" group "$file" "$i" "$outdir/$i.ico" >/dev/null; then
    echo "$outdir/$i.ico"
    written=$((written + 1))
  fi
done
[[ $written -gt 0 ]]
