#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test three times: natively, under
# AddressSanitizer + UndefinedBehaviorSanitizer, and cross-compiled for 32-bit Windows
# under Wine. Each fuzz harness replays its seed corpus and kept crash inputs.
set -euo pipefail
cd "$(dirname "$0")"
top=$PWD

scripts/install-deps.sh

jobs=$(nproc)
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT

run_ctest() {  # run_ctest NAME BUILD_DIR
  local name=$1 dir=$2 log
  log=$(mktemp)
  echo "== tests: $name"
  local rc=0
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" 2>&1 | tee "$log" || rc=1
  grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | sed "s/^/$name: /" >>"$summary" || true
  rm -f "$log"
  return $rc
}

status=0

echo "== build: native"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DICOFORGE_BENCH=ON >/dev/null
cmake --build build/native
run_ctest native build/native || status=1

echo "== build: sanitizers (clang, address + undefined)"
CC=clang CXX=clang++ cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="-O1 -g" -DCMAKE_C_FLAGS="-O1 -g" -DICOFORGE_SANITIZE=address,undefined >/dev/null
cmake --build build/sanitize
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_ctest sanitizers build/sanitize || status=1

echo "== build: Windows (i686-w64-mingw32), tests under Wine"
windows_prefix=""
if [ -x scripts/build-windows-deps.sh ]; then
  windows_prefix=$(scripts/build-windows-deps.sh)
fi
cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" -DICOFORGE_WINDOWS_PREFIX="$windows_prefix" >/dev/null
cmake --build build/windows
scripts/wine-run.sh --prepare
run_ctest windows build/windows || status=1

echo "== summary"
cat "$summary"
sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/' "$summary" |
  awk '{ failed += $1; total += $2 } END { printf "test.sh: %d passed, %d failed\n", total - failed, failed }'
exit $status
