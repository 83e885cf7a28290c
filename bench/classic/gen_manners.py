#!/usr/bin/env python3
"""Miss Manners data for the runner: guests as a deffacts file.

N guests (N even): exactly N/2 'm' and N/2 'f' in a seeded shuffled order, each
with 2 or 3 distinct hobbies out of h1..h3, and N seats.  A guest becomes one
`guest` fact per hobby, followed by the last seat, the counter and the starting
context.  The same seed and size always give the same file.

  gen_manners.py N [--seed S] [-o FILE]          generate
  gen_manners.py --from-json DATA.json [-o FILE] convert a JSON data file
        ({"seats": N, "guests": [{"name", "sex", "hobbies": [...]}, ...]})
"""
import argparse
import json
import random
import sys

HOBBIES = ("h1", "h2", "h3")
DEFAULT_SEED = 1234


def generate(n, seed=DEFAULT_SEED):
    """Returns {"n", "seats", "guests": [{"name", "sex", "hobbies"}]}."""
    if n < 2 or n % 2:
        raise ValueError("the number of guests must be even and at least 2, not %r" % (n,))
    rng = random.Random("manners:%d:%d" % (seed, n))
    sexes = ["m", "f"] * (n // 2)
    rng.shuffle(sexes)
    guests = []
    for i, sex in enumerate(sexes, 1):
        hobbies = rng.sample(HOBBIES, rng.choice((2, 3)))
        guests.append({"name": "g%d" % i, "sex": sex, "hobbies": sorted(hobbies)})
    return {"n": n, "seats": n, "guests": guests}


def deffacts(data):
    """The data as the text of one deffacts construct."""
    lines = ["(deffacts manners-data"]
    for g in data["guests"]:
        for h in g["hobbies"]:
            lines.append("  (guest (name %s) (sex %s) (hobby %s))" % (g["name"], g["sex"], h))
    lines.append("  (last_seat (seat %d))" % data["seats"])
    lines.append("  (count (c 1))")
    lines.append("  (context (state start)))")
    return "\n".join(lines) + "\n"


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("n", nargs="?", type=int, help="number of guests (even)")
    ap.add_argument("--seed", type=int, default=DEFAULT_SEED)
    ap.add_argument("--from-json", metavar="DATA", help="convert this JSON data file instead")
    ap.add_argument("--json", action="store_true", help="write the data as JSON, not as facts")
    ap.add_argument("-o", "--out", help="output file (default: standard output)")
    args = ap.parse_args(argv)
    if args.from_json:
        with open(args.from_json) as f:
            data = json.load(f)
    elif args.n is not None:
        data = generate(args.n, args.seed)
    else:
        ap.error("give N or --from-json")
    text = json.dumps(data) + "\n" if args.json else deffacts(data)
    if args.out:
        with open(args.out, "w") as f:
            f.write(text)
    else:
        sys.stdout.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
