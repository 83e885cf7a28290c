#!/usr/bin/env python3
"""Runs the example programs of a Markdown document through the runner.

Every fenced block whose info string is `ie` is a program; when the next
fenced block is an `output` block, what the runner prints for the program
(standard output, then standard error; line ends made LF) must equal it;
without one the program must succeed. A program is fed on standard input
(`ie` reads it, resets and runs), so it must not read from the terminal.
Usage: check-doc-examples.py RUNNER DOCUMENT...
"""
import re
import subprocess
import sys

FENCE = re.compile(r"^```(\w*)\n(.*?)^```\n", re.S | re.M)


def examples(text):
    blocks = [(m.group(1), m.group(2), text.count("\n", 0, m.start()) + 1)
              for m in FENCE.finditer(text)]
    for i, (kind, body, line) in enumerate(blocks):
        if kind != "ie":
            continue
        expected = None
        if i + 1 < len(blocks) and blocks[i + 1][0] == "output":
            expected = blocks[i + 1][1]
        yield line, body, expected


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    runner, failures, count = sys.argv[1], 0, 0
    for path in sys.argv[2:]:
        with open(path, encoding="utf-8") as f:
            text = f.read()
        for line, program, expected in examples(text):
            count += 1
            try:
                run = subprocess.run([runner, "--warnings=off"], input=program.encode(),
                                     capture_output=True, timeout=30)
            except subprocess.TimeoutExpired:
                failures += 1
                print(f"{path}:{line}: the program did not end within 30 seconds", file=sys.stderr)
                continue
            out = (run.stdout.decode() + run.stderr.decode()).replace("\r\n", "\n")
            if expected is not None and out != expected:
                failures += 1
                print(f"{path}:{line}: the output differs\n--- shown\n{expected}--- printed\n{out}"
                      f"--- errors\n{run.stderr.decode()}", file=sys.stderr)
            elif expected is None and run.returncode != 0:
                failures += 1
                print(f"{path}:{line}: the program failed\n{run.stderr.decode()}", file=sys.stderr)
    print(f"{count} example programs checked, {failures} failed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
