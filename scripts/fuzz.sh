#!/usr/bin/env bash
# Fuzzes the engine for SECONDS (default 60) with the libFuzzer target fuzz/.
#   scripts/fuzz.sh [SECONDS] [libFuzzer options...]
# Builds it with clang, AddressSanitizer and UndefinedBehaviorSanitizer in
# build-sanitize/ (the same build as IE_SANITIZE=address,undefined scripts/test.sh),
# starts from the seed corpus fuzz/corpus with the dictionary fuzz/language.dict,
# keeps the inputs it finds in build-sanitize/fuzz-corpus/ and writes an input
# that crashes, leaks or trips a sanitizer to build-sanitize/fuzz-artifacts/.
# Exits non-zero when the fuzzer found such an input.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
bash scripts/setup.sh
build=build-sanitize
cmake -S . -B "$build" -G Ninja -DIE_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=Debug \
  -DIE_BENCHMARKS=OFF -DCMAKE_CXX_COMPILER=clang++ -DIE_FUZZ=ON "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" \
  >/dev/null
cmake --build "$build" -j "$(nproc)" --target ie_fuzz
mkdir -p "$build/fuzz-corpus" "$build/fuzz-artifacts"
exec "$build/bin/ie_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -dict=fuzz/language.dict -artifact_prefix="$build/fuzz-artifacts/" -print_final_stats=1 \
  "$@" "$build/fuzz-corpus" fuzz/corpus
