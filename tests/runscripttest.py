#!/usr/bin/env python3
"""Runs one TOVL script test with tovl-console and checks it against its own comment lines.

A script test is an ordinary script whose comment lines (a quote mark, a blank, a directive)
say what it must do:

  ' out: TEXT       one line of expected standard output (TEXT and a line end)
  ' out-end: TEXT   expected output that ends without a line end (at most once, last)
  ' in: TEXT        one line fed to standard input
  ' status: N       expected exit status (0 when absent)
  ' err: TEXT       standard error must contain TEXT (as many as needed)
  ' no-err: TEXT    standard error must not contain TEXT
  ' argv: ARGS      replaces the arguments: blank-separated, {script} stands for the script

Standard output must equal the expected lines exactly. Directive texts are read in the
script's own code page, Windows-1252; output is compared as UTF-8. The script runs in a fresh
temporary folder, its working directory.
"""
import os
import re
import subprocess
import sys
import tempfile

DIRECTIVE = re.compile(r"^' (out|out-end|in|status|err|no-err|argv):(?: (.*))?$")


def decode1252(data: bytes) -> str:
    # Python's cp1252 codec refuses the five undefined bytes; they stand for themselves.
    return "".join(
        bytes([b]).decode("cp1252") if b not in (0x81, 0x8D, 0x8F, 0x90, 0x9D) else chr(b)
        for b in data
    )


def main() -> int:
    console, script = sys.argv[1], os.path.abspath(sys.argv[2])
    with open(script, "rb") as f:
        source = decode1252(f.read())
    expected, tail, stdin, status = [], None, [], 0
    musthave, mustnot, argv = [], [], None
    for line in re.split(r"\r\n|\r|\n", source):
        m = DIRECTIVE.match(line)
        if not m:
            continue
        kind, value = m.group(1), m.group(2) or ""
        if kind == "out":
            expected.append(value + "\n")
        elif kind == "out-end":
            tail = value
        elif kind == "in":
            stdin.append(value + "\n")
        elif kind == "status":
            status = int(value)
        elif kind == "err":
            musthave.append(value)
        elif kind == "no-err":
            mustnot.append(value)
        elif kind == "argv":
            argv = [a.replace("{script}", script) for a in value.split()]
    want = "".join(expected) + (tail or "")
    args = argv if argv is not None else [script]

    with tempfile.TemporaryDirectory(prefix="tovltest-") as folder:
        run = subprocess.run(
            [console, *args],
            input="".join(stdin).encode("utf-8"),
            capture_output=True,
            cwd=folder,
            timeout=60,
        )
    out = run.stdout.decode("utf-8", errors="replace")
    err = run.stderr.decode("utf-8", errors="replace")

    failures = []
    if out != want:
        failures.append(f"standard output differs\n--- expected\n{want!r}\n--- got\n{out!r}")
    if run.returncode != status:
        failures.append(f"exit status {run.returncode}, expected {status}")
    failures += [f"standard error lacks {t!r}" for t in musthave if t not in err]
    failures += [f"standard error holds {t!r}" for t in mustnot if t in err]
    if failures:
        print(f"FAIL {script}")
        print("\n".join(failures))
        print(f"--- standard error\n{err}")
        return 1
    print(f"ok {script}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
