#!/usr/bin/env python3
"""Runs every example script of the language guide with tovl-console and checks its results.

Usage: docexamples.py TOVL-CONSOLE GUIDE.md

In the guide an example is a fenced block whose info string starts with the word `tovl`.
Words after it change how it runs:

  ```tovl             run as it is
  ```tovl dry-run     run with --dry-run (required when a line uses frexe, sshdn or scdrm)
  ```tovl status=N    the run must end with exit status N (0 when absent)

The blocks that follow an example, up to the next example, say what it must do:

  ```input    lines fed to standard input (end of input after them)
  ```output   standard output, exactly; every example has one (it may be empty)
  ```stderr   lines that standard error must contain, in this order

Other fenced blocks (```sh and the like) are not examples and are left alone. The guide shows
scripts with ordinary line ends; each example is written with CR LF, in the script code page
Windows-1252, to a file in a fresh temporary folder, which is also the working directory of
its run. Besides the runs, the guide is checked for examples that a reader cannot see whole
(a blank at the end of a script line) and for a keyword that no example uses.
"""
import os
import re
import subprocess
import sys
import tempfile

KEYWORDS = (
    "fnumv fsetv fcopy fappd fmath frand fprnt fnewl ftxtd ftitl fmsgb finpt "
    "fifvr endif fgoto fendp ssave sload sdele scopy frexe scdrm sshdn"
).split()
SYSTEMWORDS = ("frexe", "sshdn", "scdrm")
FENCE = re.compile(r"^```(.*)$")


class example:
    def __init__(self, line, words):
        self.line = line  # line number of the opening fence in the guide
        self.words = words
        self.script = None
        self.input = None
        self.output = None
        self.stderr = None


def fencedblocks(lines):
    """Yields (line number of the opening fence, info words, block lines)."""
    i = 0
    while i < len(lines):
        m = FENCE.match(lines[i])
        if not m:
            i += 1
            continue
        start, words, body = i + 1, m.group(1).split(), []
        i += 1
        while i < len(lines) and lines[i] != "```":
            body.append(lines[i])
            i += 1
        if i == len(lines):
            raise SystemExit(f"guide line {start}: fenced block never closed")
        yield start, words, body
        i += 1


def collect(lines):
    examples, problems = [], []
    current = None
    for start, words, body in fencedblocks(lines):
        kind = words[0] if words else ""
        if kind == "tovl":
            current = example(start, words[1:])
            current.script = body
            examples.append(current)
            continue
        if kind not in ("input", "output", "stderr"):
            continue
        if current is None:
            problems.append(f"guide line {start}: ```{kind} block before any example")
            continue
        if getattr(current, kind) is not None:
            problems.append(f"guide line {start}: second ```{kind} block for one example")
            continue
        setattr(current, kind, body)
    return examples, problems


def check(console, ex):
    """Returns a list of failure texts for one example."""
    failures = []
    dryrun, status = False, 0
    for word in ex.words:
        if word == "dry-run":
            dryrun = True
        elif word.startswith("status="):
            status = int(word[len("status="):])
        else:
            failures.append(f"unknown word {word!r} after tovl")
    if ex.output is None:
        failures.append("no ```output block")
    for n, text in enumerate(ex.script, 1):
        if text != text.rstrip(" \t"):
            failures.append(f"script line {n} ends with a blank, which readers cannot see")
        if text[:5] in SYSTEMWORDS and not dryrun:
            failures.append(f"script line {n} uses {text[:5]}: the example must be dry-run")
    if failures:
        return failures

    source = "\r\n".join(ex.script) + "\r\n"
    stdin = "".join(t + "\n" for t in ex.input) if ex.input is not None else ""
    want = "".join(t + "\n" for t in ex.output)
    with tempfile.TemporaryDirectory(prefix="tovldoc-") as folder:
        path = os.path.join(folder, "example.tovl")
        with open(path, "wb") as f:
            f.write(source.encode("cp1252"))
        args = [console, "--dry-run", path] if dryrun else [console, path]
        run = subprocess.run(args, input=stdin.encode("utf-8"), capture_output=True,
                             cwd=folder, timeout=30)
    out = run.stdout.decode("utf-8", errors="replace")
    err = run.stderr.decode("utf-8", errors="replace")
    if out != want:
        failures.append(f"standard output differs\n--- expected\n{want}--- got\n{out}---")
    if run.returncode != status:
        failures.append(f"exit status {run.returncode}, expected {status}")
    at = 0
    for text in ex.stderr or []:
        found = err.find(text, at)
        if found < 0:
            failures.append(f"standard error lacks {text!r} (in this order)")
            break
        at = found + len(text)
    if failures:
        failures.append(f"--- standard error\n{err}---")
    return failures


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    console, guide = os.path.abspath(sys.argv[1]), sys.argv[2]
    with open(guide, encoding="utf-8") as f:
        lines = f.read().split("\n")
    examples, problems = collect(lines)
    if not examples:
        problems.append("the guide has no examples")
    used = {t[:5] for ex in examples for t in ex.script}
    problems += [f"no example uses the keyword {k}" for k in KEYWORDS if k not in used]

    failed = 0
    for ex in examples:
        failures = check(console, ex)
        if failures:
            failed += 1
            print(f"FAIL example at guide line {ex.line}")
            print("\n".join(failures))
        else:
            print(f"ok example at guide line {ex.line}")
    for p in problems:
        print(f"FAIL {p}")
    print(f"{len(examples)} examples, {failed} failed, {len(problems)} other problems")
    return 1 if failed or problems else 0


if __name__ == "__main__":
    sys.exit(main())
