#!/usr/bin/env bash
# parallel_shards.sh PROGRAM FIXTURES: a scan cut into shards, run as GNU parallel jobs
# through --sshlogin (":" is this machine, as a remote login would be), each shard with
# its own store as another machine would have; the indexes merged and the stores joined
# must equal one scan of the whole tree. Exit 77 (skipped) without GNU parallel.
set -euo pipefail
program=$1
fixtures=$2
if ! parallel --version 2>/dev/null | grep -q 'GNU parallel'; then
  echo "GNU parallel is missing (Debian's package parallel; scripts/install-deps.sh test)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A tree of every module and icon fixture, ten times over, under names with spaces.
for copy in $(seq 10); do
  mkdir -p "$work/tree/copy $copy"
  find "$fixtures" -type f -exec cp {} "$work/tree/copy $copy/" \;
done
"$program" scan -q -o "$work/one" "$work/tree" >/dev/null || [ $? -eq 1 ]
shards=4
parallel --will-cite --sshlogin : -j 2 \
  "'$program' scan -q --shard {}/$shards -o '$work/shard{}' '$work/tree' >/dev/null || [ \$? -eq 1 ]" ::: $(seq $shards)
"$program" index merge -q -o "$work/merged.jsonl" "$work"/shard*/index.jsonl >/dev/null
sort "$work/one/index.jsonl" > "$work/one.sorted"
sort "$work/merged.jsonl" > "$work/merged.sorted"
if ! cmp -s "$work/one.sorted" "$work/merged.sorted"; then
  echo "the merged shards differ from one scan:"
  diff "$work/one.sorted" "$work/merged.sorted" | head -20
  exit 1
fi
(cd "$work/one" && find . -name '*.ico' -o -name '*.cur' -o -name '*.ani' | sort) > "$work/one.outputs"
# shard[0-9]*: the list this line writes is itself named shard.outputs, and its
# redirection may create it before the loop's glob is read.
(for s in "$work"/shard[0-9]*; do (cd "$s" && find . -name '*.ico' -o -name '*.cur' -o -name '*.ani'); done) | sort -u > "$work/shard.outputs"
if ! cmp -s "$work/one.outputs" "$work/shard.outputs"; then
  echo "the shards' outputs differ from one scan's"
  exit 1
fi
lines=$(wc -l < "$work/one.sorted")
[ "$lines" -gt 0 ] || { echo "the scan found nothing in the fixtures"; exit 1; }
echo "$shards shards as parallel jobs, merged: the same $lines lines and $(wc -l < "$work/one.outputs") outputs as one scan"
