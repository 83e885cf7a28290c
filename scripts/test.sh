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
  # Built with clang, the sanitizer build holds the fuzzer too (scripts/fuzz.sh).
  # -O1 keeps its stack frames within a few times those of a release build.
  args+=(-DCMAKE_CXX_COMPILER=clang++ -DIE_FUZZ=ON "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1")
fi
cmake -S . -B "$build" -G Ninja "${args[@]}"
cmake --build "$build" -j "$(nproc)"
cd "$build"
ctest --output-on-failure -j "$(nproc)"
