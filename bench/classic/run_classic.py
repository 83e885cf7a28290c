#!/usr/bin/env python3
"""Classic whole-process benchmarks of the runner (build/bin/ie or $IE).

Cases, each a generated program run as a new process:
  manners/N   Miss Manners with N guests (manners.ie + generated data), the
              seating and the firing count n(n-1)/2 + 4n - 1 checked after every run
  retract/N   N facts, one firing per fact retracts it by its fact address
  join/N      N a-facts and N b-facts joined on a shared slot: N pairs
  churn/C     C modify cycles of one fact beside 10^4 other facts; RSS sampled
              every 100 ms and shown at 10 %, 50 % and the end of the run
  load/R      R rules of four conditions each, loaded with --no-run

Per case: the median over the runs of wall time, of the engine's rules fired
per second (its statistics watch) and of peak RSS (the child's wait4 rusage).
A wrong answer marks the case FAILED, a run longer than the timeout TIMEOUT
(the larger sizes of the same kind are then skipped).  Exit status 1 when any
case did not pass.

Environment (all optional):
  IE              runner binary (default build/bin/ie); it is never rebuilt here
  RUNS            runs per case (default 5; the largest sizes and churn at most 3)
  TIMEOUT         seconds per run (default 120)
  MANNERS_SIZES   default "16 32 64 128"
  RETRACT_SIZES   default "1000 10000 100000"
  JOIN_SIZES      default "1000 10000 100000"
  CHURN_CYCLES    default 1000000;  CHURN_OTHERS default 10000
  LOAD_SIZES      default "1000 5000 10000"
Options: --quick (small sizes, 1 run, 30 s timeout), --only SUBSTR..., --list,
         --json FILE (every run and the summary), --keep (keep the generated files)
"""
import argparse
import json
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import benchlib  # noqa: E402
import checks  # noqa: E402
import gen_manners  # noqa: E402
import gen_programs  # noqa: E402

MANNERS_IE = os.path.join(benchlib.HERE, "manners.ie")

QUICK = {"RUNS": "1", "TIMEOUT": "30", "MANNERS_SIZES": "8 16", "RETRACT_SIZES": "1000 10000",
         "JOIN_SIZES": "1000 10000", "CHURN_CYCLES": "20000", "CHURN_OTHERS": "10000",
         "LOAD_SIZES": "1000"}
DEFAULTS = {"RUNS": "5", "TIMEOUT": "120", "MANNERS_SIZES": "16 32 64 128",
            "RETRACT_SIZES": "1000 10000 100000", "JOIN_SIZES": "1000 10000 100000",
            "CHURN_CYCLES": "1000000", "CHURN_OTHERS": "10000", "LOAD_SIZES": "1000 5000 10000"}


class Case:
    """kind/size: `make(dir)` writes the program and returns the runner's
    arguments; `check(run, fired)` returns the problems with an answer."""

    def __init__(self, kind, size, make, check, heavy=False, sample=False):
        self.kind, self.size, self.make, self.check = kind, size, make, check
        self.heavy, self.sample = heavy, sample
        self.name = "%s/%d" % (kind, size)


def _write(path, text):
    with open(path, "w") as f:
        f.write(text)
    return path


def sizes(cfg, key):
    return [int(s) for s in cfg[key].replace(",", " ").split()]


def build_cases(cfg):
    out = []
    for n in sizes(cfg, "MANNERS_SIZES"):
        data = gen_manners.generate(n)

        def make(d, data=data, n=n):
            return [MANNERS_IE, _write(os.path.join(d, "manners_%d.ie" % n), gen_manners.deffacts(data)),
                    "--watch", "statistics"]

        def check(run, fired, data=data):
            return checks.manners_problems(data, run.stdout, fired)
        out.append(Case("manners", n, make, check, heavy=n >= 128))
    # retract and join: a generated program that ends by printing "<word> N".
    for kind, env, generate, word in (("retract", "RETRACT_SIZES", gen_programs.retract_program, "retracted"),
                                      ("join", "JOIN_SIZES", gen_programs.join_program, "pairs")):
        for n in sizes(cfg, env):
            out.append(Case(
                kind, n,
                lambda d, n=n, kind=kind, generate=generate: [
                    _write(os.path.join(d, "%s_%d.ie" % (kind, n)), generate(n)),
                    "--watch", "statistics"],
                lambda run, fired, n=n, word=word: checks.line_problems(
                    run.stdout, "%s %d" % (word, n), fired, n + 1),
                heavy=n >= 100000))
    cycles, others = int(cfg["CHURN_CYCLES"]), int(cfg["CHURN_OTHERS"])
    out.append(Case(
        "churn", cycles,
        lambda d: [_write(os.path.join(d, "churn_%d.ie" % cycles), gen_programs.churn_program(cycles, others)),
                   "--watch", "statistics"],
        lambda run, fired: checks.line_problems(run.stdout, "tick %d" % cycles, fired, cycles + 1),
        heavy=True, sample=True))
    for r in sizes(cfg, "LOAD_SIZES"):
        out.append(Case(
            "load", r,
            lambda d, r=r: [_write(os.path.join(d, "load_%d.ie" % r), gen_programs.load_program(r)),
                            "--no-run", "-e", "(ppdefrule rule-%d)" % r],
            lambda run, fired, r=r: [] if "(defrule rule-%d" % r in run.stdout
            else ["rule-%d is not defined after loading" % r],
            heavy=r >= 10000))
    return out


def run_case(case, ie, workdir, runs, timeout, log):
    """Runs one case; returns its summary dict (status PASS, FAILED or TIMEOUT)."""
    argv = [ie] + case.make(workdir)
    n_runs = min(runs, 3) if case.heavy else runs
    results = []
    status, why = "PASS", ""
    for i in range(max(1, n_runs)):
        benchlib.wait_for_runner(ie)
        run = benchlib.run_once(argv, timeout, cwd=workdir, sample_every=0.1 if case.sample else None)
        fired, run_s, rate = benchlib.parse_statistics(run.stdout)
        rec = {"case": case.name, "run": i + 1, "wall_s": run.wall_s, "cpu_s": run.cpu_s,
               "peak_kb": run.peak_kb, "rc": run.rc, "fired": fired, "engine_run_s": run_s,
               "rate": rate, "rss_profile_kb": benchlib.rss_profile(run.samples)}
        if run.timed_out:
            status, why = "TIMEOUT", "killed after %.0f s" % timeout
        else:
            bad = case.check(run, fired)
            if run.rc != 0:
                tail = run.stderr.strip().splitlines()[-1:] or [""]
                bad = ["exit status %d: %s" % (run.rc, tail[0][:160])] + bad
            if bad:
                status, why = "FAILED", "; ".join(bad)
        rec["status"] = status
        log.append(rec)
        print("  %-16s run %d: %-7s wall %8.3f s  peak %s MB%s" % (
            case.name, i + 1, status, run.wall_s, fmt_mb(run.peak_kb),
            ("  " + why[:150]) if why else ""), file=sys.stderr, flush=True)
        if status != "PASS":
            break  # a wrong or endless answer is not timed again
        results.append(rec)
    summary = {"case": case.name, "kind": case.kind, "status": status, "why": why,
               "runs": len(results), "fired": results[0]["fired"] if results else None}
    if status == "PASS":
        for key in ("wall_s", "rate", "peak_kb", "engine_run_s"):
            summary[key] = benchlib.median([r[key] for r in results])
        profiles = [r["rss_profile_kb"] for r in results if r["rss_profile_kb"]]
        summary["rss_profile_kb"] = [benchlib.median(p[i] for p in profiles) for i in range(3)] if profiles else None
    return summary


def fmt_mb(kb):
    return "-" if kb is None else "%.1f" % (kb / 1024.0)


def table(summaries):
    header = ["case", "runs", "status", "wall s", "engine run s", "fired", "rules/s", "peak RSS MB", "notes"]
    rows = []
    for s in summaries:
        ok = s["status"] == "PASS"
        note = s["why"][:90] if not ok else ""
        prof = s.get("rss_profile_kb")
        if ok and prof:
            note = "RSS start/mid/end %.1f / %.1f / %.1f MB" % tuple(k / 1024.0 for k in prof)
        elif ok and "rss_profile_kb" in s and s["kind"] == "churn":
            note = "no RSS samples: shorter than 0.1 s"
        rows.append([
            s["case"], s["runs"], s["status"],
            "%.3f" % s["wall_s"] if ok else None,
            "%.3f" % s["engine_run_s"] if ok and s.get("engine_run_s") is not None else None,
            s["fired"] if ok else None,
            "%.0f" % s["rate"] if ok and s.get("rate") else None,
            fmt_mb(s["peak_kb"]) if ok else None,
            note])
    return benchlib.render_table(header, rows)


def main(argv=None):
    ap = argparse.ArgumentParser(description="classic whole-process benchmarks of the runner",
                                 formatter_class=argparse.RawDescriptionHelpFormatter, epilog=__doc__)
    ap.add_argument("--quick", action="store_true", help="small sizes, one run, 30 s timeout")
    ap.add_argument("--only", nargs="+", default=[], metavar="SUBSTR",
                    help="only the cases whose name contains one of these (e.g. manners join/1000)")
    ap.add_argument("--list", action="store_true", help="list the cases and exit")
    ap.add_argument("--json", metavar="FILE", help="write every run and the summaries here")
    ap.add_argument("--keep", action="store_true", help="keep the generated programs")
    args = ap.parse_args(argv)

    cfg = dict(DEFAULTS)
    if args.quick:
        cfg.update(QUICK)
    cfg.update({k: os.environ[k] for k in DEFAULTS if os.environ.get(k)})
    cases = [c for c in build_cases(cfg) if not args.only or any(o in c.name for o in args.only)]
    if args.list:
        for c in cases:
            print(c.name)
        return 0
    runs, timeout = int(cfg["RUNS"]), float(cfg["TIMEOUT"])
    ie = benchlib.runner_path()
    benchlib.wait_for_runner(ie)
    before = os.stat(ie).st_mtime
    print("runner: %s; %d runs per case (heavy cases at most 3), timeout %.0f s"
          % (benchlib.describe_runner(ie), runs, timeout), flush=True)

    workdir = tempfile.mkdtemp(prefix="ie-classic-")
    summaries, log, timed_out = [], [], set()
    try:
        for case in cases:
            if case.kind in timed_out:
                summaries.append({"case": case.name, "kind": case.kind, "status": "SKIPPED", "runs": 0,
                                  "fired": None, "why": "a smaller %s case timed out" % case.kind})
                continue
            s = run_case(case, ie, workdir, runs, timeout, log)
            if s["status"] == "TIMEOUT":
                timed_out.add(case.kind)
            summaries.append(s)
    finally:
        if args.keep:
            print("generated programs kept in %s" % workdir, file=sys.stderr)
        else:
            shutil.rmtree(workdir, ignore_errors=True)
    print(table(summaries))
    if os.path.exists(ie) and os.stat(ie).st_mtime != before:
        print("warning: the runner binary changed during the benchmark")
    if args.json:
        with open(args.json, "w") as f:
            json.dump({"runner": ie, "config": cfg, "summaries": summaries, "runs": log}, f, indent=1)
    return 0 if all(s["status"] == "PASS" for s in summaries) else 1


if __name__ == "__main__":
    sys.exit(main())
