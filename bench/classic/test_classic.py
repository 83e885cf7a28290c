#!/usr/bin/env python3
"""Tests of the benchmark checkers, generators and process runner:
python3 bench/classic/test_classic.py  (the end-to-end ones need the runner,
build/bin/ie or $IE, and are skipped without it)."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ab  # noqa: E402
import benchlib  # noqa: E402
import checks  # noqa: E402
import compare_peers  # noqa: E402
import gen_manners  # noqa: E402
import gen_programs  # noqa: E402

GUESTS = {"seats": 4, "guests": [
    {"name": "g1", "sex": "m", "hobbies": ["h1", "h2"]},
    {"name": "g2", "sex": "f", "hobbies": ["h2"]},
    {"name": "g3", "sex": "m", "hobbies": ["h2", "h3"]},
    {"name": "g4", "sex": "f", "hobbies": ["h1"]}]}
GOOD = [(1, "g4"), (2, "g1"), (3, "g2"), (4, "g3")]


class MannersCheckerTest(unittest.TestCase):
    def test_a_valid_seating_passes_in_any_printed_order(self):
        self.assertEqual(checks.seating_problems(GUESTS, GOOD), [])
        self.assertEqual(checks.seating_problems(GUESTS, GOOD[::-1]), [])

    def test_bad_seatings_are_caught(self):
        bad = {
            "both m": [(1, "g1"), (2, "g3"), (3, "g2"), (4, "g4")],
            "no hobby in common": [(1, "g4"), (2, "g3"), (3, "g2"), (4, "g1")],
            "empty seats": GOOD[:3],
            "seated more than once": GOOD[:3] + [(4, "g1")],
            "filled twice": GOOD + [(2, "g1")],
            "outside": GOOD + [(5, "g2")],
            "unknown guest": GOOD[:3] + [(4, "g9")],
        }
        for what, seating in bad.items():
            with self.subTest(what):
                found = checks.seating_problems(GUESTS, seating)
                self.assertTrue(any(what in p for p in found), found)

    def test_seats_are_read_from_the_printout_and_the_firing_count_is_checked(self):
        out = "seat 3 g2\nseat 1 g4\nother text\nseat 2 g1\nseat 4 g3\n"
        self.assertEqual(sorted(checks.parse_seating(out)), GOOD)
        self.assertEqual(checks.manners_problems(GUESTS, out, 21), [])
        self.assertEqual(checks.manners_problems(GUESTS, out, 22), ["fired 22 rules, expected 21"])
        self.assertIn("4 empty seats (first 1)", checks.manners_problems(GUESTS, "", 21))

    def test_classic_firing_counts(self):
        self.assertEqual([checks.manners_expected_fired(n) for n in (16, 32, 64, 128)],
                         [183, 623, 2271, 8639])


class GeneratorTest(unittest.TestCase):
    def test_manners_data_is_fixed_by_the_seed_and_follows_the_scheme(self):
        a, b = gen_manners.generate(64), gen_manners.generate(64)
        self.assertEqual(a, b)
        self.assertNotEqual(a, gen_manners.generate(64, seed=7))
        self.assertEqual(sorted(g["sex"] for g in a["guests"]).count("m"), 32)
        for g in a["guests"]:
            self.assertIn(len(g["hobbies"]), (2, 3))
            self.assertEqual(len(set(g["hobbies"])), len(g["hobbies"]))
        text = gen_manners.deffacts(a)
        self.assertEqual(text.count("(guest "), sum(len(g["hobbies"]) for g in a["guests"]))
        self.assertIn("(last_seat (seat 64))", text)
        with self.assertRaises(ValueError):
            gen_manners.generate(15)

    def test_large_fact_sets_are_split_into_several_deffacts(self):
        text = gen_programs.retract_program(2500)
        self.assertEqual(text.count("(deffacts "), 3)
        self.assertEqual(text.count("(item (i "), 2500)


class RunOnceTest(unittest.TestCase):
    def test_timeout_kills_the_process(self):
        run = benchlib.run_once(["sleep", "30"], timeout=0.3)
        self.assertTrue(run.timed_out)
        self.assertLess(run.wall_s, 5)

    @unittest.skipUnless(os.access(benchlib.TIME, os.X_OK), "needs /usr/bin/time")
    def test_peak_rss_is_the_programs_own_not_this_drivers(self):
        ballast = bytearray(300 * 1024 * 1024)  # noqa: F841 (makes this driver large)
        run = benchlib.run_once(["true"], timeout=10)
        self.assertLess(run.peak_kb, 100 * 1024)

    def test_rss_profile_reads_ten_and_fifty_percent_and_the_end(self):
        samples = [(t / 10.0, 1000 + t) for t in range(1, 101)]
        self.assertEqual(benchlib.rss_profile(samples), (1010, 1050, 1100))
        self.assertIsNone(benchlib.rss_profile([]))

    def test_statistics_lines(self):
        out = "x\n10001 rules fired.     Run time is 0.492 seconds\n20327.5 rules per second\n"
        self.assertEqual(benchlib.parse_statistics(out), (10001, 0.492, 20327.5))
        out0 = "8 rules fired.     Run time is 0 seconds\n8 rules per second\n"
        self.assertEqual(benchlib.parse_statistics(out0), (8, 0.0, None))
        self.assertEqual(benchlib.parse_statistics("nothing"), (None, None, None))


class DriverTest(unittest.TestCase):
    """run_classic.py's verdicts, with a stand-in runner script."""

    def verdicts(self, script, **env):
        import contextlib
        import io
        import run_classic
        with tempfile.TemporaryDirectory() as d:
            fake = os.path.join(d, "ie")
            with open(fake, "w") as f:
                f.write("#!/bin/sh\n" + script + "\n")
            os.chmod(fake, 0o755)
            old = dict(os.environ)
            os.environ.update(dict(env, IE=fake, RUNS="2"))
            out, err = io.StringIO(), io.StringIO()
            try:
                with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
                    rc = run_classic.main(["--only", "retract"])
            finally:
                os.environ.clear()
                os.environ.update(old)
        rows = {l.split()[0]: l.split()[2] for l in out.getvalue().splitlines() if l.startswith("retract/")}
        return rc, rows

    def test_right_wrong_and_endless_answers(self):
        right = 'echo "retracted $N"; echo "$((N + 1)) rules fired.     Run time is 0.5 seconds"'
        rc, rows = self.verdicts('N=$(grep -c "(item (i" "$1"); ' + right, RETRACT_SIZES="10 20")
        self.assertEqual((rc, rows), (0, {"retract/10": "PASS", "retract/20": "PASS"}))
        rc, rows = self.verdicts('N=$(grep -c "(item (i" "$1"); N=$((N - 1)); ' + right, RETRACT_SIZES="10")
        self.assertEqual((rc, rows), (1, {"retract/10": "FAILED"}))
        rc, rows = self.verdicts("sleep 20", RETRACT_SIZES="10 20", TIMEOUT="0.5")
        self.assertEqual((rc, rows), (1, {"retract/10": "TIMEOUT", "retract/20": "SKIPPED"}))


class PeerCheckTest(unittest.TestCase):
    def test_peer_answers_are_checked_like_ours(self):
        run = benchlib.Run(stdout='log line\n{"fired": 21, "seating": ["g4", "g1", "g2", "g3"]}\n')
        self.assertEqual(compare_peers.peer_problems("manners", 4, GUESTS, run), [])
        run.stdout = '{"fired": 21, "seating": ["g4", "g3", "g2", "g1"]}'
        self.assertEqual(compare_peers.peer_problems("manners", 4, GUESTS, run),
                         ["seats 1 and 2: no hobby in common"])
        run.stdout = '{"fired": 10, "facts_left": 3}'
        self.assertEqual(compare_peers.peer_problems("retract", 10, None, run), ["3 facts left, expected 0"])
        run.stdout = 'crashed'
        self.assertEqual(compare_peers.peer_problems("join", 10, None, run), ["printed no result"])


IE = benchlib.runner_path()


@unittest.skipUnless(os.access(IE, os.X_OK), "no runner at " + IE)
class ProgramsTest(unittest.TestCase):
    """Small sizes of every generated program through the runner, answer checked."""

    def run_program(self, text, *options, rules=()):
        """Runs the rule files, then the program text, with the options."""
        with tempfile.NamedTemporaryFile("w", suffix=".ie") as f:
            f.write(text)
            f.flush()
            run = benchlib.run_once([IE] + list(rules) + [f.name] + list(options), timeout=60)
        self.assertEqual(run.rc, 0, run.stderr)
        return run, benchlib.parse_statistics(run.stdout)[0]

    def test_manners_seats_eight_guests_without_backtracking(self):
        data = gen_manners.generate(8)
        run, fired = self.run_program(gen_manners.deffacts(data), "--watch", "statistics",
                                      rules=[os.path.join(benchlib.HERE, "manners.ie")])
        self.assertEqual(checks.manners_problems(data, run.stdout, fired), [])

    def test_micro_programs_give_their_answers(self):
        cases = [(gen_programs.retract_program(50), "retracted 50", 51),
                 (gen_programs.join_program(50), "pairs 50", 51),
                 (gen_programs.churn_program(300, 20), "tick 300", 301)]
        for text, line, want in cases:
            with self.subTest(line):
                run, fired = self.run_program(text, "--watch", "statistics")
                self.assertEqual(checks.line_problems(run.stdout, line, fired, want), [])
        run, _ = self.run_program(gen_programs.load_program(20), "--no-run", "-e", "(ppdefrule rule-20)")
        self.assertIn("(defrule rule-20", run.stdout)


class PairsTest(unittest.TestCase):
    def test_wins_and_ratio_are_taken_pair_by_pair(self):
        # One slow pair moves neither the count nor the median much.
        wins, ratio = ab.summarize([1.0, 1.0, 5.0, 1.0], [0.9, 0.8, 4.0, 1.1])
        self.assertEqual(wins, 3)
        self.assertAlmostEqual(ratio, 0.85)


if __name__ == "__main__":
    unittest.main()
