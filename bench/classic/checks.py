"""Answer checks for the benchmark programs."""
import re

_SEAT = re.compile(r"^seat (\d+) (\S+)\s*$", re.M)


def manners_expected_fired(n):
    """Firings of the eight rules when the search never backtracks:
    assign_first_seat 1, find_seating n-1, make_path n(n-1)/2, path_done n-1,
    continue n-2, are_we_done 1, print_results n, all_done 1."""
    return n * (n - 1) // 2 + 4 * n - 1


def parse_seating(stdout):
    """The printed 'seat S NAME' lines as a list of (seat, name)."""
    return [(int(s), name) for s, name in _SEAT.findall(stdout)]


def seating_problems(data, printed):
    """Problems with a printed seating [(seat, name)] for the data
    {"seats", "guests": [{"name", "sex", "hobbies"}]}; empty when valid.  Seats
    1..N each hold one guest, every guest sits once, neighbouring seats (not the
    last and the first) hold guests of opposite sex with a hobby in common."""
    guests = {g["name"]: g for g in data["guests"]}
    seats = data["seats"]
    bad = []
    by_seat = {}
    for seat, name in printed:
        if not 1 <= seat <= seats:
            bad.append("seat %d is outside 1..%d" % (seat, seats))
        elif seat in by_seat:
            bad.append("seat %d filled twice (%s, %s)" % (seat, by_seat[seat], name))
        else:
            by_seat[seat] = name
        if name not in guests:
            bad.append("unknown guest %s in seat %d" % (name, seat))
    missing = [s for s in range(1, seats + 1) if s not in by_seat]
    if missing:
        bad.append("%d empty seats (first %d)" % (len(missing), missing[0]))
    names = [name for _, name in printed]
    twice = sorted({n for n in names if names.count(n) > 1})
    if twice:
        bad.append("seated more than once: %s" % " ".join(twice[:5]))
    for s in range(1, seats):
        a, b = guests.get(by_seat.get(s)), guests.get(by_seat.get(s + 1))
        if a is None or b is None:
            continue
        if a["sex"] == b["sex"]:
            bad.append("seats %d and %d: both %s" % (s, s + 1, a["sex"]))
        if not set(a["hobbies"]) & set(b["hobbies"]):
            bad.append("seats %d and %d: no hobby in common" % (s, s + 1))
    return bad


def manners_problems(data, stdout, fired):
    """Seating problems plus a firing count other than the classic one."""
    bad = seating_problems(data, parse_seating(stdout))
    want = manners_expected_fired(data["seats"])
    if fired != want:
        bad.append("fired %s rules, expected %d" % (fired, want))
    return bad


def line_problems(stdout, expected_line, fired, expected_fired):
    """The program's report line and its firing count."""
    bad = []
    if not re.search(r"^%s\s*$" % re.escape(expected_line), stdout, re.M):
        got = [l for l in stdout.splitlines() if l.split(" ")[0] == expected_line.split(" ")[0]]
        bad.append("expected '%s', got %s" % (expected_line, got[:1] or "no such line"))
    if expected_fired is not None and fired != expected_fired:
        bad.append("fired %s rules, expected %d" % (fired, expected_fired))
    return bad
