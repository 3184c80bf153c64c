#!/usr/bin/python3
"""Replays recorded receiver sessions and compares what quorvex-cli makes of them.

usage: run_cases.py BIN_DIR [--update] [CASE...]

A case is a folder beside this script: `session.trace`, `command` (quorvex-cli
arguments; {port} and {out} stand for the device and the output directory) and
`expected`. --update rewrites `expected` instead of comparing; read the diff
before committing it. docs/RELIABILITY.md tells how a trace becomes a case.
"""

import difflib
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
from check_support import start_simulator, stop  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))


def dump(out_dir):
    """The sections of every shapefile set written into OUT_DIR."""
    sections = []
    for name in sorted(os.listdir(out_dir)):
        tool = {".SHP": "shpdump", ".DBF": "dbfdump"}.get(os.path.splitext(name)[1])
        if tool:
            text = subprocess.run([tool, os.path.join(out_dir, name)], stdout=subprocess.PIPE,
                                  text=True, errors="replace").stdout
            sections.append(("%s %s" % (tool, name), re.sub(r"\n\s*\n", "\n", text)))
    return sections


def run_case(bin_dir, case):
    folder = os.path.join(HERE, case)
    sim, port = start_simulator(bin_dir, ["--replay", os.path.join(folder, "session.trace")],
                                stderr=subprocess.PIPE)
    with tempfile.TemporaryDirectory(prefix="quorvex-case-") as out:
        with open(os.path.join(folder, "command")) as f:
            command = [a.format(port=port, out=out) for a in f.read().split()]
        done = subprocess.run([os.path.join(bin_dir, "quorvex-cli")] + command, timeout=60,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        sections = [("stdout", done.stdout), ("stderr", done.stderr)] + dump(out)
        text = "### exit status %d\n" % done.returncode + "".join(
            "### %s\n%s" % (title, body) for title, body in sections if body)
        text = re.sub(r" in \d+\.\d s$", " in ... s", text.replace(out, "{out}"), flags=re.M)
    departed = stop(sim, wait=10)  # the replay ends by itself with the trace
    return text.replace(port, "{port}"), departed


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__, file=sys.stderr)
        return 2
    bin_dir, update = args[0], "--update" in args
    cases = [a for a in args[1:] if a != "--update"] or sorted(
        d for d in os.listdir(HERE) if os.path.exists(os.path.join(HERE, d, "session.trace")))
    failed = 0
    for case in cases:
        got, departed = run_case(bin_dir, case)
        path = os.path.join(HERE, case, "expected")
        if update:
            with open(path, "w") as f:
                f.write(got)
        expected = open(path).read() if os.path.exists(path) else ""
        if departed or got != expected:
            failed += 1
            print("%s: FAILED\n%s" % (case, departed))
            sys.stdout.writelines(difflib.unified_diff(
                expected.splitlines(True), got.splitlines(True), "expected", "got"))
        else:
            print("%s: ok" % case)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
