#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: every icon group of FILE
# written to ./out/1.ico ... n.ico (with no FILE, of the sample module the build makes).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native >/dev/null
exec scripts/extract-all.sh build/native/cli/icoforge "${1-}" out
