#!/usr/bin/env bash
# bench/scan_vs_peers.sh [PROGRAM]: `icoforge scan` over every module of Wine's
# i386-windows and x86_64-windows folders, warm cache, side by side in one run with
#   - one wrestool process per file (find | xargs -n1 wrestool -x -t14), as a user of
#     the command line does it today;
#   - cat reading every file once, the floor for anything that reads them all;
#   - itself with -j1 and -j2, and over ten copies of the tree (ten links to it).
# Prints seconds, peak memory and the ratios the scan is held to. Figures, not pass/fail.
set -euo pipefail
program=${1:-build/bench/cli/icoforge}
roots=()
for base in /usr/lib/wine /usr/lib/i386-linux-gnu/wine /usr/lib/x86_64-linux-gnu/wine; do
  for arch in i386-windows x86_64-windows; do
    [ -d "$base/$arch" ] && roots+=("$base/$arch")
  done
done
[ ${#roots[@]} -gt 0 ] || { echo "no Wine module folders here (package wine)"; exit 0; }
command -v wrestool >/dev/null || { echo "wrestool is missing (package icoutils; scripts/install-deps.sh bench)"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
files=$(find "${roots[@]}" -type f | wc -l)
bytes=$(find "${roots[@]}" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
echo "tree: ${roots[*]}: $files files, $((bytes / 1000000)) MB"

# measure NAME COMMAND...: the best of three runs (wall seconds, with the processor
# seconds and peak KB of that run), after a run that warms the cache; the outputs go to
# a new folder for every run, put where the command says @OUT@ (the last run's is left at
# $out for counting). On a shared machine the wall clock waits for other work; the
# processor time does not. The wall clock is read to the millisecond (time(1) gives
# hundredths).
# The outputs of earlier runs are removed only after the last: an ext4 without a journal
# (this machine's disk is one) passes over the inodes of files deleted in the last half
# minute one by one when it makes new ones, which charged each run a fifth of its time
# for the deletion of the run before.
out_base=$work/out
runs=0
measure() {
  local name=$1; shift
  local best= cpu= memory= start end seconds
  for run in 0 1 2 3; do
    runs=$((runs + 1))
    out=$out_base.$runs
    mkdir -p "$out"; sync
    local command=("${@//@OUT@/$out}")
    start=$(date +%s%N)
    /usr/bin/time -f '%U %S %M' -o "$work/time" "${command[@]}" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    [ "$run" -eq 0 ] && continue
    seconds=$(awk "BEGIN {printf \"%.3f\", ($end - $start) / 1e9}")
    read -r user system kb < "$work/time"
    if [ -z "$best" ] || awk "BEGIN {exit !($seconds < $best)}"; then
      best=$seconds; memory=$kb; cpu=$(awk "BEGIN {print $user + $system}")
    fi
  done
  printf '%-24s %7.3f s wall %7.2f s cpu %8d KB peak\n' "$name" "$best" "$cpu" "$memory"
  local key
  key=$(echo "$name" | tr -c 'a-z0-9\n' '_')
  eval "time_$key=$best; cpu_$key=$cpu"
}

measure cat sh -c 'find "$@" -type f -print0 | xargs -0 cat' sh "${roots[@]}"
measure wrestool sh -c 'find "$@" -type f | xargs -n1 -d "\n" wrestool -x -t14 -o "$0"' @OUT@ "${roots[@]}"
measure "scan -j1" "$program" scan -q -j 1 -o @OUT@ "${roots[@]}"
one_outputs=$(find "$out" -name '*.ico' -o -name '*.cur' -o -name '*.ani' | wc -l)
measure "scan -j2" "$program" scan -q -j 2 -o @OUT@ "${roots[@]}"
mkdir -p "$work/copies"
copies=()
for copy in $(seq 10); do
  # Numbered by position: two roots may share a name (i386-windows under two folders).
  for i in "${!roots[@]}"; do
    ln -s "${roots[$i]}" "$work/copies/$copy-$i-$(basename "${roots[$i]}")"
    copies+=("$work/copies/$copy-$i-$(basename "${roots[$i]}")")
  done
done
measure "scan -j2, ten copies" "$program" scan -q -j 2 -o @OUT@ "${copies[@]}"
ten_outputs=$(find "$out" -name '*.ico' -o -name '*.cur' -o -name '*.ani' | wc -l)
# Both again with their outputs in memory (tmpfs), where creating a file or folder costs
# little, so that what remains is the tools' own work.
memory_out=
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  memory_out=$(mktemp -d /dev/shm/icoforge-scan-bench.XXXXXX)
  trap 'rm -rf "$work" "$memory_out"' EXIT
  out_base=$memory_out/out
  measure "wrestool, tmpfs" sh -c 'find "$@" -type f | xargs -n1 -d "\n" wrestool -x -t14 -o "$0"' @OUT@ "${roots[@]}"
  measure "scan -j2, tmpfs" "$program" scan -q -j 2 -o @OUT@ "${roots[@]}"
fi

ratio() { awk "BEGIN {printf \"%.1f\", $1 / $2}"; }
echo "load average now: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
echo "wrestool / scan -j2:     wall $(ratio "$time_wrestool" "$time_scan__j2")x, cpu $(ratio "$cpu_wrestool" "$cpu_scan__j2")x   (held to >= 30)"
echo "scan -j2 / cat:          wall $(ratio "$time_scan__j2" "$time_cat")x, cpu $(ratio "$cpu_scan__j2" "$cpu_cat")x   (held to <= 1)"
echo "scan -j1 / scan -j2:     wall $(ratio "$time_scan__j1" "$time_scan__j2")x   (held to >= 1.6 on 2 cores)"
echo "ten copies / one (-j2):  wall $(ratio "$time_scan__j2__ten_copies" "$time_scan__j2")x, cpu $(ratio "$cpu_scan__j2__ten_copies" "$cpu_scan__j2")x   (held to <= 11)"
echo "outputs: one copy $one_outputs, ten copies $ten_outputs   (held to equal)"
if [ -n "$memory_out" ]; then
  echo "wrestool / scan -j2, both writing to tmpfs: wall $(ratio "$time_wrestool__tmpfs" "$time_scan__j2__tmpfs")x, cpu $(ratio "$cpu_wrestool__tmpfs" "$cpu_scan__j2__tmpfs")x"
fi
