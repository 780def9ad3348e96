#!/usr/bin/env bash
# Builds the benchmarks (native, optimised) and runs each one. Extra arguments go to
# every benchmark program (Google Benchmark flags such as --benchmark_repetitions=5).
# Results are figures to read, never pass/fail: nothing here is part of ./test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh bench
# shellcheck source=scripts/preset-build.sh
. scripts/preset-build.sh
icoforge_build bench
for bench in build/bench/bench/bench_*; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench" "$@"
done
# The benchmarks that run the built program against peer tools, as a user would.
for script in bench/*.sh; do
  [ -x "$script" ] || continue
  echo "== $(basename "$script")"
  "$script" build/bench/cli/icoforge
done
