#!/usr/bin/env bash
# Set-up, build the command-line runner and run a rule program with it.
#   scripts/run.sh                      runs examples/wordgame.ie
#   scripts/run.sh FILE... [options]    runs the given program(s); see build/bin/ie --help
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)" --target ie
if [ "$#" -eq 0 ]; then
  set -- examples/wordgame.ie
fi
exec build/bin/ie "$@"
