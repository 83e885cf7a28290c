#!/usr/bin/env bash
# Whole-program benchmark of the runner: runs the two demonstration programs
# and a generated program of many rule firings through build/bin/ie with the
# statistics watch, several times each, and prints the median rules fired per
# second (the engine's own count and run time) and the median wall time.
#   bench/run_programs.sh                 5 runs each, 100000 firings
#   RUNS=9 FIRINGS=200000 bench/run_programs.sh
#   IE=build-other/bin/ie bench/run_programs.sh   another build of the runner
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-5}
firings=${FIRINGS:-100000}
ie=${IE:-build/bin/ie}
if [ -z "${IE:-}" ]; then
  cmake -S . -B build -G Ninja >/dev/null
  cmake --build build --target ie >/dev/null
fi
[ -x "$ie" ] || { echo "no runner at $ie" >&2; exit 1; }
[ "$firings" -ge 2 ] 2>/dev/null || { echo "FIRINGS must be a number of at least 2" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Half the firings count up and assert an item each; the other half join each
# item with its label on a shared slot value and retract it again.
half=$((firings / 2))
cat >"$work/firings.ie" <<EOF
(deftemplate counter (slot n))
(deftemplate item (slot n) (slot parity))
(deftemplate label (slot parity) (slot name))
(deffacts start
  (counter (n 0)) (label (parity 0) (name even)) (label (parity 1) (name odd)))
(defrule count
  ?c <- (counter (n ?n&:(< ?n $half)))
  =>
  (assert (item (n ?n) (parity (mod ?n 2))))
  (modify ?c (n (+ ?n 1))))
(defrule consume
  (declare (salience 5))
  ?i <- (item (parity ?p))
  (label (parity ?p))
  =>
  (retract ?i))
EOF

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-22s %10s %16s %14s\n' program fired "rules/s (median)" "wall ms (med.)"
for program in examples/fullmab.ie examples/wordgame.ie "$work/firings.ie"; do
  : >"$work/rates"
  : >"$work/walls"
  fired=0
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$ie" "$program" --watch statistics >"$work/out" 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000000)) >>"$work/walls"
    fired=$(awk '/ rules fired\. / { print $1 }' "$work/out")
    awk '/ rules per second/ { print $1 }' "$work/out" >>"$work/rates"
  done
  printf '%-22s %10s %16.0f %14s\n' "$(basename "$program")" "$fired" \
    "$(median <"$work/rates")" "$(median <"$work/walls")"
done
