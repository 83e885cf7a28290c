#!/usr/bin/env python3
"""Our runner beside the two peer engines (nools, durable) on the cases they
share: Miss Manners on the peers' data (converted to a deffacts file for us),
retract N and join N.  Every run is a whole process, every answer is checked;
the engines take turns, one run each per round, so that a busy spell of the
machine falls on all of them alike; prints one table of median wall seconds per engine and the ratio peer / ours
(above 1: we are faster).

The peers' programs and data are in ../shared/peers (PEERS to change), their
engines in /tmp/peers (PEERS_DIR), installed by `sh ../shared/peers/setup.sh`.

  compare_peers.py                      everything, RUNS (default 3) runs per case
  compare_peers.py --quick              Manners 16, retract/join 1000 and 10000, 1 run
  compare_peers.py --manners 16 32 --micro 1000 --engines ours durable
  compare_peers.py --only join          cases whose name contains "join"
Environment: IE (our runner, default build/bin/ie), RUNS, TIMEOUT (default 120 s).
"""
import argparse
import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import benchlib  # noqa: E402
import checks  # noqa: E402
import gen_manners  # noqa: E402
import gen_programs  # noqa: E402

PEERS = os.path.abspath(os.environ.get("PEERS") or os.path.join(benchlib.REPO, "..", "shared", "peers"))
PEERS_DIR = os.environ.get("PEERS_DIR", "/tmp/peers")
ENGINES = ("ours", "nools", "durable")


def peer_argv(engine, kind, arg):
    script = "manners.js" if kind == "manners" else "micro.js"
    args = [arg] if kind == "manners" else [kind, str(arg)]
    return ["node", os.path.join(PEERS, engine, script)] + args


def last_json(stdout):
    for line in reversed(stdout.strip().splitlines()):
        try:
            return json.loads(line)
        except ValueError:
            continue
    return None


def peer_problems(kind, n, data, run):
    """Checks a peer's printed JSON result the way ours is checked."""
    result = last_json(run.stdout)
    if result is None:
        return ["printed no result"]
    if kind == "manners":
        seating = list(enumerate(result.get("seating", []), 1))
        bad = checks.seating_problems(data, seating)
        if result.get("fired") != checks.manners_expected_fired(n):
            bad.append("fired %s, expected %d" % (result.get("fired"), checks.manners_expected_fired(n)))
        return bad
    bad = [] if result.get("fired") == n else ["fired %s, expected %d" % (result.get("fired"), n)]
    left = {"retract": 0, "join": 2 * n}[kind]
    if result.get("facts_left") != left:
        bad.append("%s facts left, expected %d" % (result.get("facts_left"), left))
    return bad


def our_case(kind, n, data, workdir):
    """(argv tail, checker) for our runner."""
    path = os.path.join(workdir, "%s_%d.ie" % (kind, n))
    if kind == "manners":
        text, rules = gen_manners.deffacts(data), [os.path.join(benchlib.HERE, "manners.ie")]

        def check(run, fired):
            return checks.manners_problems(data, run.stdout, fired)
    else:
        make = {"retract": gen_programs.retract_program, "join": gen_programs.join_program}[kind]
        text, rules = make(n), []
        line = ("retracted %d" if kind == "retract" else "pairs %d") % n

        def check(run, fired):
            return checks.line_problems(run.stdout, line, fired, n + 1)
    with open(path, "w") as f:
        f.write(text)
    return rules + [path, "--watch", "statistics"], check


def run_checked(argv, check, timeout, cwd=None, env=None, label="", index=0):
    """One whole-process run: (status, why, wall seconds, peak kB)."""
    run = benchlib.run_once(argv, timeout, cwd=cwd, env=env)
    if run.timed_out:
        status, why = "TIMEOUT", "killed after %.0f s" % timeout
    else:
        bad = check(run)
        if run.rc != 0:
            bad = ["exit status %d: %s" % (run.rc, (run.stderr.strip().splitlines() or [""])[-1][:120])] + bad
        status, why = ("FAILED", "; ".join(bad)) if bad else ("PASS", "")
    print("  %-24s run %d: %-7s wall %8.3f s%s" % (label, index + 1, status, run.wall_s,
                                                  ("  " + why[:150]) if why else ""),
          file=sys.stderr, flush=True)
    return status, why, run.wall_s, run.peak_kb


def measure_interleaved(jobs, runs, timeout):
    """Jobs: engine -> (argv, check, cwd, env, label). Runs them in rounds, one
    run of each engine per round, so that every engine meets the same moods of
    a shared machine; an engine that fails or times out runs no more. Returns
    engine -> median wall seconds and peak kB, or a status word."""
    walls = {e: [] for e in jobs}
    peaks = {e: [] for e in jobs}
    stopped = {}
    for i in range(runs):
        for e, (argv, check, cwd, env, label) in jobs.items():
            if e in stopped:
                continue
            status, why, wall, peak = run_checked(argv, check, timeout, cwd, env, label, i)
            if status != "PASS":
                stopped[e] = {"status": status, "why": why}
                continue
            walls[e].append(wall)
            peaks[e].append(peak)
    return {e: stopped.get(e) or {"status": "PASS", "wall_s": benchlib.median(walls[e]),
                                  "peak_kb": benchlib.median(peaks[e])}
            for e in jobs}


def cell(r):
    if r is None:
        return "-"
    return "%.3f" % r["wall_s"] if r["status"] == "PASS" else r["status"]


def ratio(peer, ours):
    if not peer or not ours or peer["status"] != "PASS" or ours["status"] != "PASS":
        return "-"
    return "%.2f" % (peer["wall_s"] / ours["wall_s"])


def main(argv=None):
    import shutil
    import tempfile
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0],
                                 formatter_class=argparse.RawDescriptionHelpFormatter, epilog=__doc__)
    ap.add_argument("--manners", nargs="*", type=int, default=None, metavar="N",
                    help="Manners sizes with peer data (default 16 32 64 128)")
    ap.add_argument("--micro", nargs="*", type=int, default=None, metavar="N",
                    help="retract and join sizes (default 1000 10000 100000)")
    ap.add_argument("--engines", nargs="+", choices=ENGINES, default=list(ENGINES))
    ap.add_argument("--only", nargs="+", default=[], metavar="SUBSTR")
    ap.add_argument("--quick", action="store_true")
    ap.add_argument("--runs", type=int, default=None)
    ap.add_argument("--timeout", type=float, default=None)
    args = ap.parse_args(argv)

    manners = args.manners if args.manners is not None else ([16] if args.quick else [16, 32, 64, 128])
    micro = args.micro if args.micro is not None else ([1000, 10000] if args.quick else [1000, 10000, 100000])
    runs = args.runs or int(os.environ.get("RUNS") or (1 if args.quick else 3))
    timeout = args.timeout or float(os.environ.get("TIMEOUT") or (30 if args.quick else 120))

    engines = list(args.engines)
    peer_env = dict(os.environ, NODE_PATH=os.path.join(PEERS_DIR, "node_modules"))
    for e in ("nools", "durable"):
        if e in engines and not os.path.isdir(os.path.join(PEERS_DIR, "node_modules", e)):
            print("%s is not installed in %s (sh %s/setup.sh); left out" % (e, PEERS_DIR, PEERS), file=sys.stderr)
            engines.remove(e)
    ie = benchlib.runner_path()
    if "ours" in engines:
        benchlib.wait_for_runner(ie)
        print("runner: %s" % benchlib.describe_runner(ie))
    print("peers: %s, engines in %s; %d runs per case, timeout %.0f s" % (PEERS, PEERS_DIR, runs, timeout))

    cases = [("manners", n) for n in manners] + [(k, n) for k in ("retract", "join") for n in micro]
    cases = [c for c in cases if not args.only or any(o in "%s/%d" % c for o in args.only)]
    workdir = tempfile.mkdtemp(prefix="ie-peers-")
    rows, given_up = [], set()
    try:
        for kind, n in cases:
            name = "%s/%d" % (kind, n)
            data = None
            data_path = os.path.join(PEERS, "data", "manners_%d.json" % n)
            if kind == "manners":
                if not os.path.exists(data_path):
                    print("no peer data %s (python3 %s/gen_manners.py %d); skipped" % (data_path, PEERS, n),
                          file=sys.stderr)
                    continue
                with open(data_path) as f:
                    data = json.load(f)
            res, jobs = {}, {}
            for e in engines:
                if (e, kind) in given_up:
                    res[e] = {"status": "SKIPPED"}
                elif e == "ours":
                    tail, check = our_case(kind, n, data, workdir)
                    jobs[e] = ([ie] + tail, lambda run, check=check: check(
                        run, benchlib.parse_statistics(run.stdout)[0]), workdir, None, "%s ours" % name)
                else:
                    jobs[e] = (peer_argv(e, kind, data_path if kind == "manners" else n),
                               lambda run: peer_problems(kind, n, data, run), PEERS_DIR, peer_env,
                               "%s %s" % (name, e))
            res.update(measure_interleaved(jobs, runs, timeout))
            for e in jobs:
                if res[e]["status"] == "TIMEOUT":
                    given_up.add((e, kind))  # larger sizes of this kind would time out too
            rows.append((name, res))
    finally:
        shutil.rmtree(workdir, ignore_errors=True)

    header = ["case"]
    for e in engines:
        header.append("%s s" % e)
        if e != "ours":
            header.append("%s/ours" % e)
    for e in engines:
        header.append("%s MB" % e)
    table = []
    for name, res in rows:
        row = [name]
        for e in engines:
            row.append(cell(res.get(e)))
            if e != "ours":
                row.append(ratio(res.get(e), res.get("ours")))
        for e in engines:
            r = res.get(e)
            row.append("%.0f" % (r["peak_kb"] / 1024.0) if r and r["status"] == "PASS" and r["peak_kb"] else "-")
        table.append(row)
    print(benchlib.render_table(header, table))
    print("(wall seconds, median; peer/ours above 1 means ours is faster; MB = peak RSS)")
    failed = [(name, e, r["why"]) for name, res in rows for e, r in res.items() if r["status"] == "FAILED"]
    for name, e, why in failed:
        print("FAILED %s %s: %s" % (name, e, why[:200]))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
