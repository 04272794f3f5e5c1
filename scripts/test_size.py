#!/usr/bin/env python3
"""The size of the tests against the code they test.

Counts the non-blank lines that are not only a comment: of the tracked C++
files under src/ (the code) and of the tracked C++, Python and shell files
under tests/ (the tests), one row per src/ folder with the tests of the same
folder beside it; tests/e2e, tests/kernel, tests/fuzz and tests/support are
rows of their own. With --coverage FILE (gcovr's JSON summary) the rows also
show line and branch coverage.
"""
import json
import os
import re
import subprocess
import sys

CPP = (".cpp", ".h")
SCRIPT = (".py", ".sh")


def lines_of(path):
    n = 0
    in_block = False
    with open(path, encoding="utf-8", errors="replace") as f:
        for raw in f:
            line = raw.strip()
            if not line:
                continue
            if path.endswith(CPP):
                if in_block:
                    if "*/" in line:
                        in_block = False
                        if line.split("*/", 1)[1].strip():
                            n += 1
                    continue
                if line.startswith("//"):
                    continue
                if line.startswith("/*"):
                    if "*/" not in line:
                        in_block = True
                    elif line.split("*/", 1)[1].strip():
                        n += 1
                    continue
            elif line.startswith("#"):
                continue
            n += 1
    return n


def tracked(root):
    out = subprocess.run(["git", "ls-files", root], capture_output=True, text=True, check=True).stdout
    return [p for p in out.splitlines() if os.path.isfile(p)]


def main():
    os.chdir(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    coverage = {}
    if len(sys.argv) == 3 and sys.argv[1] == "--coverage":
        with open(sys.argv[2]) as f:
            for entry in json.load(f)["files"]:
                folder = entry["filename"].split("/")[1]
                c = coverage.setdefault(folder, [0, 0, 0, 0])
                c[0] += entry["line_covered"]
                c[1] += entry["line_total"]
                c[2] += entry["branch_covered"]
                c[3] += entry["branch_total"]
    code, tests = {}, {}
    for p in tracked("src"):
        if p.endswith(CPP):
            folder = p.split("/")[1]
            code[folder] = code.get(folder, 0) + lines_of(p)
    for p in tracked("tests"):
        if p.endswith(CPP + SCRIPT):
            parts = p.split("/")
            folder = parts[1] if len(parts) > 2 else "."
            tests[folder] = tests.get(folder, 0) + lines_of(p)

    def pct(a, b):
        return f"{100.0 * a / b:5.1f} %" if b else "     -"

    rows = sorted(set(code) | set(tests))
    print(f"{'folder':<10} {'code':>6} {'tests':>6} {'ratio':>6} {'lines':>8} {'branches':>9}")
    total = [0, 0, 0, 0]
    for r in rows:
        c = coverage.get(r, [0, 0, 0, 0])
        for i in range(4):
            total[i] += c[i]
        ratio = f"{tests.get(r, 0) / code[r]:6.2f}" if code.get(r) else "     -"
        print(f"{r:<10} {code.get(r, 0):>6} {tests.get(r, 0):>6} {ratio} {pct(c[0], c[1]):>8} {pct(c[2], c[3]):>9}")
    all_code, all_tests = sum(code.values()), sum(tests.values())
    print(f"{'all':<10} {all_code:>6} {all_tests:>6} {all_tests / all_code:6.2f} "
          f"{pct(total[0], total[1]):>8} {pct(total[2], total[3]):>9}")


if __name__ == "__main__":
    main()
