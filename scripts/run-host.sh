#!/usr/bin/env bash
# Set-up, build the desktop host and open its window. "Run Both" loads
# fullmab.ie and wordgame.ie from the current folder, so run it from a folder
# that holds them, e.g.  cd examples && bash ../scripts/run-host.sh
# Elsewhere the window is opened in examples/.
set -euo pipefail
here="$(pwd)"
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)" --target ThreadProject
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display to open the window on (DISPLAY is not set)." >&2
  echo "scripts/screenshot-host.sh shows the window under a virtual X server." >&2
  exit 1
fi
cd "$here"
if [ ! -f fullmab.ie ] || [ ! -f wordgame.ie ]; then
  echo "fullmab.ie and wordgame.ie are not here; opening the window in examples/."
  cd "$root/examples"
fi
exec "$root/build/bin/ThreadProject" "$@"
