#!/usr/bin/env bash
# Set-up, build the desktop host and take docs/host.png: the window under a
# virtual X server (Xvfb) after "Run Both", once both engines have finished
# and their lists are complete.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)" --target ThreadProject
mkdir -p docs
out="$(pwd)/docs/host.png"
cd examples
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 800x600x24" \
  ../build/bin/ThreadProject --screenshot "$out"
echo "Wrote docs/host.png"
