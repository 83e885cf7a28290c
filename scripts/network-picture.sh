#!/usr/bin/env bash
# Draws the network of examples/wordgame.ie, with the counts of a profiled
# run on its nodes and edges, to docs/wordgame-network.svg (Graphviz `dot`,
# installed by scripts/setup.sh). Builds the runner first when it is missing.
# Usage: scripts/network-picture.sh [PROGRAM.ie [OUT.svg]]
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-examples/wordgame.ie}
picture=${2:-docs/wordgame-network.svg}
if [ ! -x build/bin/ie ]; then
  cmake -S . -B build -G Ninja >/dev/null
  nice cmake --build build --target ie
fi
command -v dot >/dev/null || { echo "network-picture: dot not found (scripts/setup.sh installs graphviz)" >&2; exit 1; }
graph=$(mktemp --suffix=.dot)
trap 'rm -f "$graph"' EXIT
build/bin/ie --profile --graph "$graph" "$program" >/dev/null 2>&1
dot -Tsvg "$graph" -o "$picture"
echo "network-picture: $picture"
