#!/usr/bin/env bash
# Set-up, configure, build and run every test.
#   scripts/test.sh                 normal build in build/, the documents' checks,
#                                   the install with the embedding example built
#                                   against it, then the desktop host's tests
#                                   under ThreadSanitizer in build-tsan/
#   IE_SANITIZE=address,undefined scripts/test.sh   sanitizer build in build-sanitize/
#   IE_SKIP_TSAN=1 scripts/test.sh  without the ThreadSanitizer step
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
(cd "$build" && ctest --output-on-failure -j "$(nproc)")

if [ -z "${IE_SANITIZE:-}" ]; then
  # The documents: the function reference must be what the registry gives, and
  # every example program of the language reference must print what it shows.
  if ! build/bin/ie_function_reference | diff -u docs/functions.md - >/dev/null; then
    echo "docs/functions.md is out of date: cmake --build build --target function-reference" >&2
    exit 1
  fi
  python3 scripts/check-doc-examples.py build/bin/ie docs/language.md
  # The installed component: install into a scratch prefix, build the
  # embedding example against it with find_package, run it and check its output.
  prefix="$PWD/build/embed-prefix"
  rm -rf "$prefix"
  cmake --install build --prefix "$prefix" >/dev/null
  cmake -S examples/embed -B build/embed-example -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  cmake --build build/embed-example
  (cd build/embed-example && ./embed_example stock-save.ie) > build/embed-example/output.txt
  diff -u examples/embed/expected-output.txt build/embed-example/output.txt
  echo "Installed package and embedding example: OK"
fi

# The host runs two engines, their workers and forwarders on five threads:
# its tests, and the engine tests of engines used from several threads, run
# once more with ThreadSanitizer. Only what they need is built.
if [ -z "${IE_SANITIZE:-}" ] && [ "${IE_SKIP_TSAN:-0}" != 1 ] && [ -f build/bin/test_host ]; then
  cmake -S . -B build-tsan -G Ninja -DIE_SANITIZE=thread -DIE_BENCHMARKS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build-tsan -j "$(nproc)" --target test_host test_engine ie
  (cd build-tsan && ctest --output-on-failure -j "$(nproc)" -R '^(host\.|EngineThreadsTest\.)')
fi
