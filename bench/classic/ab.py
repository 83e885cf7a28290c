#!/usr/bin/env python3
"""Two runner binaries on one classic case, in interleaved pairs.

On a shared machine the time of one run moves by tens of percent with what the
neighbours do, while two runs made back to back see much the same machine: the
difference between two builds shows in pairs. Each pair runs both binaries (the
order alternates), every run is checked as run_classic.py checks it.

  ab.py OLD NEW CASE [--pairs N] [--timeout S]
  ab.py /tmp/ie.before build/bin/ie manners/128 --pairs 11

CASE is a name of run_classic.py --list (its size environment variables apply:
MANNERS_SIZES="256" makes manners/256). Prints, per binary, the minimum, first
quartile and median of CPU seconds (user + system) and the median wall time,
then in how many pairs NEW used less CPU and the median over the pairs of
NEW / OLD (below 1: NEW is faster). Exit status 1 when a run fails its check.
"""
import argparse
import os
import shutil
import statistics
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import benchlib  # noqa: E402
import run_classic  # noqa: E402


def summarize(old, new):
    """Pairs of CPU seconds (old[i] beside new[i]): NEW's wins and the median ratio."""
    wins = sum(1 for a, b in zip(old, new) if b < a)
    ratio = statistics.median(b / a for a, b in zip(old, new) if a > 0)
    return wins, ratio


def spread(values):
    ordered = sorted(values)
    return ordered[0], ordered[len(ordered) // 4], statistics.median(ordered)


def main(argv=None):
    ap = argparse.ArgumentParser(description="two runners on one classic case, in pairs",
                                 formatter_class=argparse.RawDescriptionHelpFormatter, epilog=__doc__)
    ap.add_argument("old")
    ap.add_argument("new")
    ap.add_argument("case")
    ap.add_argument("--pairs", type=int, default=11)
    ap.add_argument("--timeout", type=float, default=120.0)
    args = ap.parse_args(argv)

    cfg = dict(run_classic.DEFAULTS)
    cfg.update({k: os.environ[k] for k in run_classic.DEFAULTS if os.environ.get(k)})
    cases = {c.name: c for c in run_classic.build_cases(cfg)}
    if args.case not in cases:
        raise SystemExit("no case %s; the cases: %s" % (args.case, " ".join(cases)))
    case = cases[args.case]
    binaries = [os.path.abspath(args.old), os.path.abspath(args.new)]
    for path in binaries:
        if not os.access(path, os.X_OK):
            raise SystemExit("no runner at %s" % path)

    workdir = tempfile.mkdtemp(prefix="ie-ab-")
    cpu, wall, failures = ([], []), ([], []), 0
    try:
        tail = case.make(workdir)
        for i in range(args.pairs):
            for which in ((0, 1) if i % 2 == 0 else (1, 0)):
                run = benchlib.run_once([binaries[which]] + tail, args.timeout, cwd=workdir)
                fired = benchlib.parse_statistics(run.stdout)[0]
                bad = ["timed out"] if run.timed_out else case.check(run, fired)
                if run.rc != 0 and not run.timed_out:
                    bad = ["exit status %d" % run.rc] + bad
                if bad:
                    failures += 1
                    print("  %s pair %d: FAILED %s" % (binaries[which], i + 1, "; ".join(bad)))
                cpu[which].append(run.cpu_s)
                wall[which].append(run.wall_s)
    finally:
        shutil.rmtree(workdir, ignore_errors=True)

    print("%s, %d pairs" % (case.name, args.pairs))
    for which, label in ((0, "old"), (1, "new")):
        low, q1, mid = spread(cpu[which])
        print("  %s %-40s cpu s: min %.3f  q1 %.3f  median %.3f   wall median %.3f" % (
            label, binaries[which][-40:], low, q1, mid, statistics.median(wall[which])))
    wins, ratio = summarize(cpu[0], cpu[1])
    print("  new used less CPU in %d of %d pairs; median new/old %.3f" % (wins, args.pairs, ratio))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
