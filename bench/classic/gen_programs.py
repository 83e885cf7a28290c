#!/usr/bin/env python3
"""Generated rule programs for the whole-process benchmarks of the runner.

  retract N   N item facts; one rule fires once per fact and retracts it by its
              fact address; a last rule (lowest salience) reports when none is left
  join N      N facts (a (k K)) and N facts (b (k K)), K = 0..N-1; one rule joins
              them on the shared k and counts the pairs in a global; a last rule
              prints the count
  churn C O   a tick fact modified (retracted and asserted again) C times, next to
              O unrelated facts; a last rule prints the final tick
  load R      R rules of four conditions each over four templates, with distinct
              constants and variables shared between the conditions

Each function returns the program text; every program prints the line its
checker looks for (see run_classic.py).  Usage: gen_programs.py KIND N [O]
"""
import sys

CHUNK = 1000  # facts per deffacts construct


def _deffacts(name, facts):
    """Facts split into deffacts of CHUNK facts each."""
    out = []
    for start in range(0, len(facts), CHUNK):
        out.append("(deffacts %s-%d\n  %s)\n" % (name, start // CHUNK, "\n  ".join(facts[start:start + CHUNK])))
    return "".join(out)


def retract_program(n):
    return (
        "(deftemplate item (slot i))\n"
        "(defglobal ?*retracted* = 0)\n"
        + _deffacts("items", ["(item (i %d))" % i for i in range(n)])
        + "(defrule drop\n"
          "  ?f <- (item)\n"
          "  =>\n"
          "  (bind ?*retracted* (+ ?*retracted* 1))\n"
          "  (retract ?f))\n"
          "(defrule none-left\n"
          "  (declare (salience -1000))\n"
          "  (not (item))\n"
          "  =>\n"
          "  (printout t \"retracted \" ?*retracted* crlf))\n")


def join_program(n):
    return (
        "(deftemplate a (slot k))\n"
        "(deftemplate b (slot k))\n"
        "(defglobal ?*pairs* = 0)\n"
        + _deffacts("as", ["(a (k %d))" % i for i in range(n)])
        + _deffacts("bs", ["(b (k %d))" % i for i in range(n)])
        + "(defrule pair\n"
          "  (a (k ?k))\n"
          "  (b (k ?k))\n"
          "  =>\n"
          "  (bind ?*pairs* (+ ?*pairs* 1)))\n"
          "(defrule report\n"
          "  (declare (salience -1000))\n"
          "  =>\n"
          "  (printout t \"pairs \" ?*pairs* crlf))\n")


def churn_program(cycles, others):
    return (
        "(deftemplate tick (slot n))\n"
        "(deftemplate other (slot i) (slot label))\n"
        + _deffacts("others", ["(other (i %d) (label o%d))" % (i, i) for i in range(others)])
        + "(deffacts clock (tick (n 0)))\n"
          "(defrule advance\n"
          "  ?t <- (tick (n ?n&:(< ?n %d)))\n"
          "  =>\n"
          "  (modify ?t (n (+ ?n 1))))\n"
          "(defrule report\n"
          "  (declare (salience -1000))\n"
          "  (tick (n ?n))\n"
          "  =>\n"
          "  (printout t \"tick \" ?n crlf))\n" % cycles)


def load_program(rules):
    """Rule i matches p, q, r and s facts chained by ?x, ?y and ?z, with
    constants of its own (kind k<i>, tag t<i mod 97>, z not z<i>) and a test."""
    out = [
        "(deftemplate p (slot kind) (slot x))\n",
        "(deftemplate q (slot x) (slot y) (slot tag))\n",
        "(deftemplate r (slot y) (slot z))\n",
        "(deftemplate s (slot z) (slot level))\n",
        "(deftemplate result (slot rule) (slot level))\n",
        "(deffacts some-facts\n"
        "  (p (kind k1) (x 1)) (q (x 1) (y 2) (tag t1)) (r (y 2) (z 3)) (s (z 3) (level 50)))\n",
    ]
    for i in range(1, rules + 1):
        out.append(
            "(defrule rule-%d\n"
            "  (p (kind k%d) (x ?x))\n"
            "  (q (x ?x) (y ?y) (tag t%d))\n"
            "  (r (y ?y) (z ?z&~z%d))\n"
            "  (s (z ?z) (level ?l&:(> ?l %d)))\n"
            "  =>\n"
            "  (assert (result (rule %d) (level ?l))))\n" % (i, i, i % 97, i, i % 10, i))
    return "".join(out)


def main(argv):
    kinds = {"retract": retract_program, "join": join_program, "churn": churn_program,
             "load": load_program}
    if len(argv) < 3 or argv[1] not in kinds:
        sys.exit(__doc__)
    sys.stdout.write(kinds[argv[1]](*(int(a) for a in argv[2:])))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
