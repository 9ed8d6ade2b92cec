#!/usr/bin/env python3
"""Runs one case of an example script from examples/ with tovl-console and checks it.

Usage: runexample.py TOVL-CONSOLE EXAMPLES-FOLDER CASE.test

A case file NAME.WHAT.test tests examples/NAME.tovl; the examples themselves hold no test
directives, so they stay readable. A case file has one directive a line (blank lines and
lines starting with # are left alone):

  in: TEXT            one line fed to standard input (end of input after the last one)
  in-seq: A B         lines with the whole numbers from A to B (counting down if B < A)
  out: TEXT           one line of expected standard output
  out-re: REGEX       instead of out: like out:, but the line is a regular expression
                      (for scripts that draw random numbers); the lines of all out-re:,
                      each followed by a line end, must match the whole standard output
  status: N           expected exit status (0 when absent)
  err: TEXT           standard error must contain TEXT; several err: must appear in order
  no-err: TEXT        standard error must not contain TEXT
  dry-run             run with --dry-run
  stub: PROGRAM       an executable PROGRAM that does nothing, in a folder put first on the
                      PATH, so that frexe finds it whatever is installed
  file: NAME = TEXT   a file made in the working folder before the run
  folder: NAME        a folder made in the working folder before the run
  after: NAME = TEXT  a file that must hold exactly TEXT after the run
  gone: NAME          a file that must not exist after the run

In TEXT of file: and after:, \\r, \\n and \\\\ stand for CR, LF and a backslash; the text is
written in Windows-1252, the scripts' code page. Standard output is compared exactly, as
UTF-8. Every case runs in a fresh temporary folder, its working directory.

An example that uses frexe, sshdn or scdrm is never run without dry-run: such a case fails
before anything starts. The example file must have CR LF line ends throughout.
"""
import os
import re
import stat
import subprocess
import sys
import tempfile

SYSTEMWORDS = ("frexe", "sshdn", "scdrm")
DIRECTIVE = re.compile(r"^(in|in-seq|out|out-re|status|err|no-err|stub|file|folder|after|gone):(?: (.*))?$")


def unescape(text):
    return re.sub(r"\\(.)", lambda m: {"r": "\r", "n": "\n", "\\": "\\"}[m.group(1)], text)


def namedtext(value):
    m = re.fullmatch(r"(.+?) =(?: (.*))?", value)
    if not m:
        raise SystemExit(f"expected NAME = TEXT, got {value!r}")
    return m.group(1), unescape(m.group(2) or "").encode("cp1252")


def readcase(path):
    case = {"in": [], "out": [], "out-re": [], "status": 0, "err": [], "no-err": [],
            "stub": [], "file": [], "folder": [], "after": [], "gone": [], "dry-run": False}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f.read().splitlines(), 1):
            if not line.strip() or line.startswith("#"):
                continue
            if line == "dry-run":
                case["dry-run"] = True
                continue
            m = DIRECTIVE.match(line)
            if not m:
                raise SystemExit(f"{path}:{number}: not a directive: {line!r}")
            kind, value = m.group(1), m.group(2) or ""
            if kind == "status":
                case["status"] = int(value)
            elif kind == "in-seq":
                first, last = (int(n) for n in value.split())
                step = 1 if last >= first else -1
                case["in"] += [str(n) for n in range(first, last + step, step)]
            elif kind in ("file", "after"):
                case[kind].append(namedtext(value))
            else:
                case[kind].append(value)
    if case["out"] and case["out-re"]:
        raise SystemExit(f"{path}: out: and out-re: cannot be mixed")
    return case


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    console = os.path.abspath(sys.argv[1])
    casefile = sys.argv[3]
    name = os.path.basename(casefile).split(".")[0]
    script = os.path.abspath(os.path.join(sys.argv[2], name + ".tovl"))
    case = readcase(casefile)
    with open(script, "rb") as f:
        source = f.read()

    failures = []
    if not source.endswith(b"\r\n") or source.count(b"\n") != source.count(b"\r\n"):
        failures.append(f"{script} does not have CR LF line ends throughout")
    usessystem = any(line[:5].decode("cp1252") in SYSTEMWORDS for line in source.split(b"\r\n"))
    if usessystem and not case["dry-run"]:
        failures.append("the example uses frexe, sshdn or scdrm: the case must be dry-run")
    if failures:
        print("FAIL " + "\n".join(failures))
        return 1

    with tempfile.TemporaryDirectory(prefix="tovlexample-") as top:
        folder = os.path.join(top, "work")
        stubs = os.path.join(top, "stubs")
        os.mkdir(folder)
        os.mkdir(stubs)
        for program in case["stub"]:
            path = os.path.join(stubs, program)
            with open(path, "w") as f:
                f.write("#!/bin/sh\nexit 0\n")
            os.chmod(path, stat.S_IRWXU)
        for name in case["folder"]:
            os.mkdir(os.path.join(folder, name))
        for filename, content in case["file"]:
            with open(os.path.join(folder, filename), "wb") as f:
                f.write(content)
        env = dict(os.environ)
        env["PATH"] = stubs + os.pathsep + env.get("PATH", "")
        args = [console, "--dry-run", script] if case["dry-run"] else [console, script]
        run = subprocess.run(args, input="".join(t + "\n" for t in case["in"]).encode("utf-8"),
                             capture_output=True, cwd=folder, env=env, timeout=60)
        for filename, content in case["after"]:
            path = os.path.join(folder, filename)
            if not os.path.exists(path):
                failures.append(f"file {filename} is missing")
                continue
            with open(path, "rb") as f:
                got = f.read()
            if got != content:
                failures.append(f"file {filename} holds {got!r}, expected {content!r}")
        failures += [f"file {n} still exists" for n in case["gone"]
                     if os.path.lexists(os.path.join(folder, n))]

    out = run.stdout.decode("utf-8", errors="replace")
    err = run.stderr.decode("utf-8", errors="replace")
    if case["out-re"]:
        pattern = "".join(t + "\n" for t in case["out-re"])
        if not re.fullmatch(pattern, out):
            failures.append(f"standard output does not match\n--- pattern\n{pattern}\n"
                            f"--- got\n{out}---")
    else:
        want = "".join(t + "\n" for t in case["out"])
        if out != want:
            failures.append(f"standard output differs\n--- expected\n{want}--- got\n{out}---")
    if run.returncode != case["status"]:
        failures.append(f"exit status {run.returncode}, expected {case['status']}")
    at = 0
    for text in case["err"]:
        found = err.find(text, at)
        if found < 0:
            failures.append(f"standard error lacks {text!r} (in this order)")
            break
        at = found + len(text)
    failures += [f"standard error holds {t!r}" for t in case["no-err"] if t in err]
    if failures:
        print(f"FAIL {casefile}")
        print("\n".join(failures))
        print(f"--- standard error\n{err}---")
        return 1
    print(f"ok {casefile}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
