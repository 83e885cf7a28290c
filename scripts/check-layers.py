#!/usr/bin/env python3
"""Checks that every #include in src/ points down the layer order.

The layers are the folders of src/, lowest first (cmake/Layers.cmake holds the
order). A file may include headers of its own folder and of the folders below
it. An include that points up is an error unless it is listed as a known
exception "file:header"; a listed exception that no longer occurs is an error
too, so the list only shrinks.

  check-layers.py --src SRC --layers core collections ... [--allow FILE:HEADER ...]
  check-layers.py --self-test
"""
import argparse
import pathlib
import re
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/([^"]+)"', re.M)


def upward_includes(src, layers):
    """(file, header) for every include of a folder above the including one."""
    rank = {name: i for i, name in enumerate(layers)}
    found = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        folder = path.relative_to(src).parts[0]
        if folder not in rank:
            found.append((path.relative_to(src).as_posix(), "<folder not in the layer order>"))
            continue
        for match in INCLUDE.finditer(path.read_text(errors="replace")):
            target = match.group(1)
            if target in rank and rank[target] > rank[folder]:
                found.append((path.relative_to(src).as_posix(), f"{target}/{match.group(2)}"))
    return found


def check(src, layers, allowed):
    found = upward_includes(src, layers)
    allowed = set(allowed)
    errors = [f"{f} includes {h}, which is above it in the layer order"
              for f, h in found if f"{f}:{h}" not in allowed]
    present = {f"{f}:{h}" for f, h in found}
    errors += [f"{a} is listed as a known upward include but no longer occurs: drop it"
               for a in sorted(allowed - present)]
    return errors


def self_test():
    with tempfile.TemporaryDirectory() as tmp:
        src = pathlib.Path(tmp)
        (src / "low").mkdir()
        (src / "high").mkdir()
        (src / "high" / "H.h").write_text('#include "low/L.h"\n')
        (src / "low" / "L.h").write_text("#pragma once\n")
        layers = ["low", "high"]
        assert check(src, layers, []) == [], "a downward include passes"
        (src / "low" / "L.cpp").write_text('#include "high/H.h"\n')
        assert len(check(src, layers, [])) == 1, "an upward include fails"
        assert check(src, layers, ["low/L.cpp:high/H.h"]) == [], "a listed one passes"
        (src / "low" / "L.cpp").write_text('#include "low/L.h"\n')
        assert len(check(src, layers, ["low/L.cpp:high/H.h"])) == 1, "a stale listing fails"
        (src / "other").mkdir()
        (src / "other" / "O.h").write_text("\n")
        assert len(check(src, layers, [])) == 1, "a folder outside the order fails"
    print("check-layers self-test: OK")
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--src", type=pathlib.Path)
    parser.add_argument("--layers", nargs="*", default=[])
    parser.add_argument("--allow", nargs="*", default=[])
    parser.add_argument("--self-test", action="store_true")
    args = parser.parse_args()
    if args.self_test:
        return self_test()
    errors = check(args.src, args.layers, args.allow)
    for error in errors:
        print(error, file=sys.stderr)
    if errors:
        print(f"layer order (lowest first): {' '.join(args.layers)}", file=sys.stderr)
        return 1
    print(f"includes follow the layer order: {' < '.join(args.layers)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
