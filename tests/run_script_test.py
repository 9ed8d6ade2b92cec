#!/usr/bin/env python3
"""Runs TOVL script tests, or the language guide's examples, with tovl-console.

Usage: run_script_test.py CONSOLE SCRIPT...
       run_script_test.py CONSOLE --guide GUIDE.md

A script test is a script whose comment lines hold directives, each beside the line it is
about; a failure names the test file and the line of its directive:

  ' expect: TEXT       the next line of standard output is exactly TEXT
  ' expect-re: REGEX   the next line(s) of standard output match REGEX (\\n spans lines)
  ' in: TEXT           a line fed to standard input
  ' status: N          the exit status (0 when absent)
  ' stderr: TEXT       standard error contains TEXT, after the texts of earlier stderr:
  ' no-stderr: TEXT    standard error does not contain TEXT
  ' args: ARGS         the arguments, blank-separated; {script} is the script's path
  ' run: PATH          runs PATH (from the repository root) instead of this file
  ' pad: N             runs a copy with empty lines in place of this line, N lines in all
  ' file: NAME = TEXT  a file made in the working folder before the run
  ' folder: NAME       a folder made in the working folder before the run
  ' after: NAME = TEXT the file holds exactly TEXT after the run
  ' gone: NAME         the file does not exist after the run
  ' stub: PROGRAM      a program that does nothing, in a folder first on the PATH
  ' check: TEXT        tovl-console --check --werror finds a mistake: its standard error
                       holds TEXT, after the texts of earlier check:, and its status is 1

Output not expected is a failure too, and so is output that does not end with a line end.
In TEXT and NAME, \\r, \\n and \\\\ stand for CR, LF and a backslash, and \\xHH for the byte HH.
A script is read as tovl reads it: UTF-8 when it is valid UTF-8 (a byte-order mark is
skipped), Windows-1252 otherwise; lines end at CR LF when it holds a CR, at LF otherwise.
Directive texts and names become bytes in the script's encoding; output is compared as
UTF-8, a byte that is not UTF-8 matching \\xHH. Every case runs in a fresh temporary folder,
its working directory. A script that uses frexe, sshdn or scdrm runs only with --dry-run.
After the run, unless the case's own arguments hold --check, `tovl-console --check` (with
the case's --encoding= option) checks the script it ran: without check: directives it must
exit with 0, so every valid script checks free of errors.

In the guide an example is a ```tovl block (info words: dry-run, trace, status=N, check-errors for
an example that shows mistakes on purpose, which --check must find; a dry-run example has a
shutdown stub, as a dry run looks the shutdown program up; file=NAME saves it as NAME in the
working folder; direct runs it as a program, its #! line naming the tovl-console under test),
saved as Linux editors save it (UTF-8, LF), followed by an ```output block and maybe ```input,
```stderr and ```check blocks (the last is what `tovl-console --check NAME` writes). Standard
output, standard error (nothing when there is no ```stderr block) and the --check report must
be exactly as shown. A ```sh synopsis block names only options of `tovl-console --help`, and
the synopses together name them all. Any other block must say `untested`. Every keyword of
interp/keywords.def must be used by some example.
"""
import itertools
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
UNDEFINED = (0x81, 0x8D, 0x8F, 0x90, 0x9D)  # no cp1252 character: each stands for itself
DIRECTIVE = re.compile(r"' (expect|expect-re|in|status|stderr|no-stderr|args|run|pad|file|folder|"
                       r"after|gone|stub|check):(?: (.*))?$")
OPTION = re.compile(r"(?<![\w-])--?[a-z][a-z-]*")  # an option named in a usage line


def decode_cp1252(data):  # the undefined bytes stand for themselves
    return "".join(chr(b) if b in UNDEFINED else bytes([b]).decode("cp1252") for b in data)


def encoder(encoding):
    """Text to bytes in the script's encoding; U+DC80..U+DCFF stand for the bytes 80..FF."""
    if encoding == "utf-8":
        return lambda text: text.encode("utf-8", "surrogateescape")
    return lambda text: b"".join(bytes([ord(c) & 0xFF]) if ord(c) in UNDEFINED
                                 or 0xDC80 <= ord(c) <= 0xDCFF else c.encode("cp1252")
                                 for c in text)


def decode_script(raw):
    """The script's text, its encoding and its line end, chosen as tovl chooses them when no
    --encoding option is given: directive texts of a forced script are best kept to ASCII."""
    raw = raw[3:] if raw.startswith(b"\xEF\xBB\xBF") else raw
    try:
        text, encoding = raw.decode("utf-8"), "utf-8"
    except UnicodeDecodeError:
        text, encoding = decode_cp1252(raw), "windows-1252"
    return text, encoding, "\r\n" if b"\r" in raw else "\n"


def unescape(text):
    def one(m):
        return {"r": "\r", "n": "\n", "\\": "\\"}.get(m[1]) or chr(int(m[1][1:], 16) | (
            0xDC00 if int(m[1][1:], 16) >= 0x80 else 0))
    return re.sub(r"\\([rn\\]|x[0-9A-Fa-f]{2})", one, text)


class Case:
    def __init__(self, name, **fields):
        self.name, self.path, self.text, self.args, self.status = name, None, None, ["{script}"], (0, 0)
        self.check_errors, self.direct, self.saved_as = False, False, None
        self.err = self.report = None  # (guide line, text) that standard error or --check writes
        for key in "expect stdin stderr nostderr file folder after gone stub check".split():
            setattr(self, key, [])
        self.__dict__.update(fields)

    def fail(self, line, message):
        return f"{self.name}:{line}: {message}" if line else f"{self.name}: {message}"


def readscript(path):
    case = Case(os.path.relpath(path, ROOT), path=path)
    raw = open(path, "rb").read()
    text, encoding, line_end = decode_script(raw)
    encode = encoder(encoding)
    lines = text.split(line_end)
    if raw and lines[-1]:
        raise SystemExit(case.fail(len(lines), "does not end with a line end"))
    for n, line in enumerate(lines, 1):
        m = DIRECTIVE.match(line)
        kind, value = (m[1], unescape(m[2] or "")) if m else (None, None)
        if kind in ("expect", "expect-re"):
            case.expect.append((n, kind == "expect-re", value))
        elif kind in ("stderr", "no-stderr", "check"):
            {"stderr": case.stderr, "no-stderr": case.nostderr, "check": case.check}[kind].append(
                (n, value))
        elif kind in ("file", "after"):
            name, _, text = value.partition(" = ")
            getattr(case, kind).append((encode(name.rstrip(" =")), encode(text)))
        elif kind in ("folder", "gone"):
            getattr(case, kind).append(encode(value))
        elif kind in ("stub", "in"):
            (case.stdin if kind == "in" else getattr(case, kind)).append(value)
        elif kind == "status":
            case.status = (n, int(value))
        elif kind == "args":
            case.args = value.split()
        elif kind == "run":
            case.path = os.path.join(ROOT, value)
        elif kind == "pad":
            padded = lines[:n - 1] + [""] * (int(value) - len(lines) + 1) + lines[n:]
            case.path, case.text = None, encode(line_end.join(padded))
    return case


def run(console, case):
    """Runs one case in a fresh folder; returns its failures."""
    with tempfile.TemporaryDirectory(prefix="tovltest-") as top:
        work, stubs = os.path.join(top, "work"), os.path.join(top, "stubs")
        work_bytes = os.fsencode(work)
        os.mkdir(work)
        os.mkdir(stubs)
        script = os.path.join(work, case.saved_as) if case.saved_as else (
            case.path or os.path.join(top, "script.tovl"))
        if case.text is not None:
            open(script, "wb").write(case.text)
            os.chmod(script, 0o700 if case.direct else 0o600)
        if os.path.isfile(script) and "--dry-run" not in case.args:
            with open(script, "rb") as f:
                if any(line[:5] in (b"frexe", b"sshdn", b"scdrm") for line in f):
                    return [case.fail(0, "uses frexe, sshdn or scdrm: run it with --dry-run")]
        for program in case.stub:
            open(os.path.join(stubs, program), "w").write("#!/bin/sh\n")
            os.chmod(os.path.join(stubs, program), 0o700)
        for name in case.folder:
            os.mkdir(os.path.join(work_bytes, name))
        for name, content in case.file:
            open(os.path.join(work_bytes, name), "wb").write(content)
        try:
            done = subprocess.run(
                [console] * (not case.direct) + [a.replace("{script}", script) for a in case.args],
                input="".join(t + "\n" for t in case.stdin).encode("utf-8", "surrogateescape"),
                capture_output=True,
                cwd=work, env=dict(os.environ, PATH=stubs + os.pathsep + os.environ["PATH"]),
                timeout=60)
            checked = None if "--check" in case.args else subprocess.run(
                [console, "--check"] + ["--werror"] * bool(case.check) +
                [a for a in case.args if a.startswith("--encoding=")] + [case.saved_as or script],
                capture_output=True, cwd=work, timeout=60)
        except subprocess.TimeoutExpired:
            return [case.fail(0, "still running after 60 seconds")]
        failures = check_failures(case, checked) if checked else []
        for name, content in case.after:
            path = os.path.join(work_bytes, name)
            got = open(path, "rb").read() if os.path.isfile(path) else None
            failures += [case.fail(0, f"file {name} holds {got!r}, not {content!r}")] * (got != content)
        failures += [case.fail(0, f"file {name} still exists") for name in case.gone
                     if os.path.lexists(os.path.join(work_bytes, name))]
    out, err = (done.stdout.decode(errors="surrogateescape"),
                done.stderr.decode(errors="surrogateescape"))
    at = 0
    for n, regex, text in case.expect:
        m = re.compile(text + "\n" if regex else re.escape(text + "\n")).match(out, at)
        if not m:
            rest = out[at:]
            got = repr(rest.split("\n")[0]) + ("" if "\n" in rest else " without a line end")
            failures.append(case.fail(n, f"expected {text!r}, got {got}"))
            break
        at = m.end()
    else:
        if at < len(out):
            failures.append(case.fail(case.expect[-1][0] if case.expect else 0,
                                      f"unexpected output {out[at:].split(chr(10))[0]!r}"))
    if done.returncode != case.status[1]:
        failures.append(case.fail(case.status[0], f"exit status {done.returncode}, "
                                                  f"expected {case.status[1]}"))
    at = 0
    for n, text in case.stderr:
        found = err.find(text, at)
        if found < 0:
            failures.append(case.fail(n, f"standard error lacks {text!r}"
                                         + (" after the earlier texts" if at else "")))
        at = found + len(text) if found >= 0 else at
    failures += [case.fail(n, f"standard error holds {t!r}") for n, t in case.nostderr if t in err]
    failures += differences(case, "standard error", err, case.err)
    if failures:
        failures.append(f"--- standard output\n{out}--- standard error\n{err}---")
    return failures


def check_failures(case, checked):
    """The failures of --check on the case's script: its status, and the check: texts in order."""
    report = checked.stderr.decode(errors="surrogateescape")
    failures, at = [], 0
    for n, text in case.check:
        found = report.find(text, at)
        failures += [case.fail(n, f"--check does not report {text!r}"
                                  + (" after the earlier texts" if at else ""))] * (found < 0)
        at = found + len(text) if found >= 0 else at
    failures += differences(case, "--check", report, case.report)
    want = 1 if case.check or case.check_errors else 0
    if checked.returncode != want:
        failures.append(case.fail(0, f"--check exits with {checked.returncode}, expected {want}"))
    return failures + [f"--- --check standard error\n{report}---"] * bool(failures)


def differences(case, stream, got, want):
    """The first line in which a stream differs from the text (line, text) that it must be."""
    if want is None or got == want[1]:
        return []
    pairs = list(itertools.zip_longest(got.split("\n"), want[1].split("\n")))
    k = next(k for k, (g, w) in enumerate(pairs) if g != w)
    return [case.fail(want[0] + k, f"{stream} writes {pairs[k][0]!r} here, not {pairs[k][1]!r}")]


def readguide(path, console):
    """The guide's examples as cases, and the problems of its layout."""
    name, problems, cases, synopses, case = os.path.relpath(path, ROOT), [], [], [], None
    with open(path, encoding="utf-8") as f:
        blocks = re.finditer(r"^```(.*)\n((?:(?!```).*\n)*?)```$", f.read(), re.M)
    for block in blocks:
        words, body = block[1].split() or [""], block[2].split("\n")[:-1]
        first = block.string.count("\n", 0, block.start(2)) + 1  # guide line of the body
        if words[0] == "tovl":
            text = "\n".join(body) + "\n"
            case = Case(name, line=first - 1, script=body, blocks=set(), err=(first - 1, ""),
                        direct="direct" in words, check_errors="check-errors" in words,
                        saved_as=next((w[5:] for w in words if w[:5] == "file="), None),
                        text=(re.sub(r"\A#!\S*", lambda _: "#!" + console, text) if "direct" in words
                              else text).encode())
            case.args = [f"--{w}" for w in ("dry-run", "trace") if w in words] + ["{script}"]
            case.stub = ["shutdown"] if "dry-run" in words else []
            case.status = next(((first - 1, int(w[7:])) for w in words if w[:7] == "status="),
                               case.status)
            cases.append(case)
            continue
        part = words[0] if words[0] in ("input", "output", "stderr", "check") else None
        if case and part and part not in case.blocks:
            case.blocks.add(part)
            text = "".join(t + "\n" for t in body)
            if part == "input":
                case.stdin = body
            elif part == "output":
                case.expect = [(first + k, False, t) for k, t in enumerate(body)]
            elif part == "stderr":
                case.err = (first, text)
            else:
                case.report = (first, text)
            continue
        if words[:2] == ["sh", "synopsis"]:
            synopses.append((first, set(OPTION.findall(block[2]))))
        elif "untested" not in words:
            problems.append(f"{name}:{first - 1}: a ```{block[1]} block is no example, no new part "
                            "of the one above, no synopsis, and not marked untested")
    problems += [c.fail(c.line, "example without an ```output block") for c in cases
                 if "output" not in c.blocks]
    usage = subprocess.run([console, "--help"], capture_output=True, text=True, timeout=60)
    options = set(OPTION.findall(usage.stdout.split("\n\n")[0]))
    problems += [f"{name}:{n}: {o} is no option of tovl-console --help" for n, named in synopses
                 for o in sorted(named - options)]
    problems += [f"{name}: no synopsis names {o} of tovl-console --help" for o in
                 sorted(options.difference(*(named for _, named in synopses)))]
    keywords = os.path.join(ROOT, "interp", "keywords.def")
    with open(keywords, encoding="utf-8") as f:
        listed = re.findall(r"^\s*TOVL_KEYWORD\((\w+),", f.read(), re.M)
    used = {t[:5] for c in cases for t in c.script}
    problems += [f"{name}: no example uses the keyword {k}" for k in listed if k not in used]
    problems += [f"{keywords}: no TOVL_KEYWORD rows found"] if not listed else []
    return cases, problems


def main():
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    console = os.path.abspath(sys.argv[1])
    if sys.argv[2] == "--guide":
        cases, problems = readguide(os.path.abspath(sys.argv[3]), console)
    else:
        cases, problems = [readscript(os.path.abspath(p)) for p in sys.argv[2:]], []
    results = [run(console, case) for case in cases]
    failed = sum(bool(failures) for failures in results)
    print("\n".join([f for failures in results for f in failures] + problems +
                    [f"{len(cases)} cases, {failed} failed"]))
    return 1 if failed or problems else 0


if __name__ == "__main__":
    sys.exit(main())
