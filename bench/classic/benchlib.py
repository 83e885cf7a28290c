"""Helpers shared by the whole-process benchmark scripts: finding the runner,
running one process with a timeout while sampling its memory, reading the
runner's statistics lines, medians."""
import os
import re
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))


def runner_path():
    """The runner binary: $IE, else build/bin/ie of this checkout."""
    path = os.environ.get("IE") or os.path.join(REPO, "build", "bin", "ie")
    return os.path.abspath(path)


def wait_for_runner(path, patience=60.0):
    """The binary may be relinked under us: wait up to `patience` seconds for it."""
    deadline = time.monotonic() + patience
    if not os.access(path, os.X_OK):
        print("waiting up to %.0f s for %s" % (patience, path), file=sys.stderr, flush=True)
    while not os.access(path, os.X_OK):
        if time.monotonic() > deadline:
            raise SystemExit("no runner at %s (build it, or set IE=path)" % path)
        time.sleep(0.5)


def describe_runner(path):
    st = os.stat(path)
    return "%s (%.1f MB, modified %s)" % (path, st.st_size / 1e6,
                                         time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(st.st_mtime)))


def _rss_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except (OSError, ValueError, IndexError):
        pass
    return None


class Run:
    """One finished process: wall_s, cpu_s, peak_kb (the child's own maximum
    resident set from wait4), rc, timed_out, stdout, stderr and the RSS samples
    [(seconds since start, kB)] when sampling was asked for."""

    def __init__(self, **kw):
        self.__dict__.update(kw)


TIME = "/usr/bin/time"


def _child_pid(pid):
    """The first child of pid (the program started by the time wrapper)."""
    try:
        with open("/proc/%d/task/%d/children" % (pid, pid)) as f:
            kids = f.read().split()
        return int(kids[0]) if kids else None
    except (OSError, ValueError):
        return None


def run_once(argv, timeout, cwd=None, env=None, sample_every=None):
    """Runs argv to the end or until `timeout` seconds, then kills its process
    group.  With `sample_every` (seconds), samples VmRSS from /proc meanwhile.

    Peak RSS: the rusage that wait4 reports for a child started from this
    Python process counts the Python image the child was forked from (Linux
    keeps the high-water mark across exec), so the program runs under
    /usr/bin/time, which forks it from its own small image and writes the
    program's own maximum resident set.  Without /usr/bin/time the figure is
    wait4's and may be this driver's size instead (peak_exact False)."""
    samples = []
    use_time = os.access(TIME, os.X_OK)
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err, \
            tempfile.NamedTemporaryFile(mode="r", suffix=".rss") as rss:
        full = [TIME, "-f", "%M", "-o", rss.name] + list(argv) if use_time else list(argv)
        t0 = time.monotonic()
        p = subprocess.Popen(full, cwd=cwd, env=env, stdout=out, stderr=err,
                             stdin=subprocess.DEVNULL, start_new_session=True)
        killed = threading.Event()

        def kill():
            killed.set()
            try:
                os.killpg(p.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

        timer = threading.Timer(timeout, kill)
        timer.start()
        done = threading.Event()
        sampler = None
        if sample_every:
            def sample():
                target = None
                while not done.wait(sample_every):
                    if target is None:
                        target = _child_pid(p.pid) if use_time else p.pid
                        if target is None:
                            continue
                    kb = _rss_kb(target)
                    if kb is not None and not done.is_set():
                        samples.append((time.monotonic() - t0, kb))
            sampler = threading.Thread(target=sample, daemon=True)
            sampler.start()
        _, status, ru = os.wait4(p.pid, 0)
        wall = time.monotonic() - t0
        done.set()
        timer.cancel()
        if sampler:
            sampler.join()
        p.returncode = os.waitstatus_to_exitcode(status)  # reaped here, not by Popen
        out.seek(0)
        err.seek(0)
        stdout = out.read().decode(errors="replace")
        stderr = err.read().decode(errors="replace")
        peak = ru.ru_maxrss
        if use_time:
            # the last line is the figure; a line before it tells of a signal
            lines = [l.strip() for l in rss.read().split("\n") if l.strip()]
            figures = [l for l in lines if l.isdigit()]
            peak = int(figures[-1]) if figures else None
            stderr += "".join(l + "\n" for l in lines if not l.isdigit())
    return Run(wall_s=wall, cpu_s=ru.ru_utime + ru.ru_stime, peak_kb=peak, peak_exact=use_time,
               rc=p.returncode, timed_out=killed.is_set(), stdout=stdout, stderr=stderr,
               samples=samples)


_FIRED = re.compile(r"^(\d+) rules fired\.\s+Run time is ([0-9.eE+-]+) seconds", re.M)
_RATE = re.compile(r"^([0-9.eE+-]+|inf|nan) rules per second", re.M)


def parse_statistics(stdout):
    """(fired, run seconds, rules per second) from the statistics watch lines,
    or (None, None, None).  The rate is None when the engine's run time is 0
    (its printed rate is then not a rate)."""
    m = _FIRED.search(stdout)
    if not m:
        return None, None, None
    fired, secs = int(m.group(1)), float(m.group(2))
    r = _RATE.search(stdout, m.end())
    rate = float(r.group(1)) if r and secs > 0 else None
    return fired, secs, rate


def median(xs):
    xs = [x for x in xs if x is not None]
    return statistics.median(xs) if xs else None


def rss_profile(samples):
    """(start, middle, end) RSS in kB from samples: the sample nearest 10 % and
    50 % of the sampled span, and the last one.  None without samples."""
    if not samples:
        return None
    span = samples[-1][0]

    def at(frac):
        return min(samples, key=lambda s: abs(s[0] - frac * span))[1]
    return at(0.1), at(0.5), samples[-1][1]


def render_table(header, rows):
    """Plain-text table with columns sized to their widest cell."""
    cells = [header] + [[("-" if c is None else str(c)) for c in r] for r in rows]
    widths = [max(len(r[i]) for r in cells) for i in range(len(header))]
    lines = []
    for n, r in enumerate(cells):
        lines.append("  ".join(c.ljust(w) if i == 0 else c.rjust(w)
                               for i, (c, w) in enumerate(zip(r, widths))).rstrip())
        if n == 0:
            lines.append("  ".join("-" * w for w in widths))
    return "\n".join(lines)
