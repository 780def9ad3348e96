#!/usr/bin/env bash
# scripts/fuzz.sh NAME [SECONDS]: runs the libFuzzer harness fuzz/fuzz_NAME.cpp (clang,
# AddressSanitizer + UndefinedBehaviorSanitizer) from its seed corpus for SECONDS (600).
# New inputs go to build/fuzz-corpus/NAME; crash inputs to fuzz/artifacts/NAME/ — once
# fixed, copy them into fuzz/crashes/NAME/ so the tests replay them.
set -euo pipefail
cd "$(dirname "$0")/.."
name=$1
seconds=${2:-600}
CC=clang CXX=clang++ cmake -S . -B build/libfuzzer-$name -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DICOFORGE_LIBFUZZER=ON -DICOFORGE_TESTS=OFF -DICOFORGE_SANITIZE=address,undefined >/dev/null
cmake --build build/libfuzzer-$name --target "fuzz_$name"
mkdir -p "build/fuzz-corpus/$name" "fuzz/artifacts/$name" "fuzz/corpus/$name"
# Leaks of the libraries we call, not ours, each tolerated for the reason written there.
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan-suppressions.txt
exec build/libfuzzer-$name/fuzz/fuzz_"$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="fuzz/artifacts/$name/" "build/fuzz-corpus/$name" "fuzz/corpus/$name"
