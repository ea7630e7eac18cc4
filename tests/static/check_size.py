#!/usr/bin/env python3
"""Checks that a release program is as lean as it is built to be.

- no debug sections (the release link strips them);
- none of the C++ exception machinery (its terminate handler's message is the
  tell-tale: it comes with the unwinder and the demangler);
- with --floor and --max-ratio: the file is at most that many times the size
  of the floor program doing the same job in plain Win32.
"""
import argparse
import os
import sys

from check_pe import PEImage

EXCEPTION_RUNTIME_TEXT = b"terminate called"


def check(program, floor=None, max_ratio=None, out=print):
    with open(program, "rb") as f:
        data = f.read()
    failures = []
    # The linker gives debug sections long names, kept in the string table as "/N".
    debug = [s.name for s in PEImage(data).sections if s.name.startswith((".debug", "/"))]
    if debug:
        failures.append(f"debug sections present: {', '.join(debug)}")
    if EXCEPTION_RUNTIME_TEXT in data:
        failures.append("the C++ exception runtime is linked in")
    size = len(data)
    if floor is not None:
        floor_size = os.path.getsize(floor)
        ratio = size / floor_size
        out(f"{os.path.basename(program)}: {size} bytes, floor {floor_size} bytes, ratio {ratio:.2f}")
        if max_ratio is not None and ratio > max_ratio:
            failures.append(f"{ratio:.2f} times the floor's size, above {max_ratio}")
    else:
        out(f"{os.path.basename(program)}: {size} bytes")
    for failure in failures:
        out(f"FAIL {failure}")
    return not failures


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("program")
    parser.add_argument("--floor")
    parser.add_argument("--max-ratio", type=float)
    args = parser.parse_args(argv)
    return 0 if check(args.program, args.floor, args.max_ratio) else 1


if __name__ == "__main__":
    sys.exit(main())
