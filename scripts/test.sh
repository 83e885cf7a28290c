#!/usr/bin/env bash
# Set-up, configure, build and run every test.
#   scripts/test.sh                 normal build in build/
#   IE_SANITIZE=address,undefined scripts/test.sh   sanitizer build in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build
args=()
if [ -n "${IE_SANITIZE:-}" ]; then
  build=build-sanitize
  args+=("-DIE_SANITIZE=${IE_SANITIZE}" -DCMAKE_BUILD_TYPE=Debug -DIE_BENCHMARKS=OFF)
fi
cmake -S . -B "$build" -G Ninja "${args[@]}"
cmake --build "$build" -j "$(nproc)"
cd "$build"
ctest --output-on-failure -j "$(nproc)"
