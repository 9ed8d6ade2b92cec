#!/usr/bin/env python3
"""--check against real runs of random scripts: every run-time error that a first run meets
before any line reads from outside is reported at its line, and no error that says a line
fails stands on a line that a run executed without an error.

Usage: check_tries_test.py TOVL-CONSOLE [COUNT [SEED]]
"""
import random
import re
import subprocess
import sys
import tempfile

console = sys.argv[1]
count = int(sys.argv[2]) if len(sys.argv) > 2 else 300
rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 22)
OUTSIDE = ("finpt", "frand", "ssave", "sload", "sdele", "scopy", "frexe", "scdrm", "sshdn")


def slot():
    return str(rng.choice([0, 1, 2, 3, 3, 4, 12]))[-1:]


def random_line(length):
    """A line of a random script under one-digit fields, now and then a wrong one."""
    kind = rng.choice("fsetv fsetv fmath fmath fmath fcopy fappd fifvr endif fprnt fgoto "
                      "fnumv finpt frand fendp".split())
    if kind == "fsetv":
        return "fsetv" + slot() + rng.choice(["0", "1", "2", "-3", "ten", "1E+30", "3E+38",
                                              "32767", "0.5", "", "x "])
    if kind == "fmath":
        return "fmath" + slot() + slot() + slot() + rng.choice("++--**//x")
    if kind in ("fcopy", "fappd", "finpt"):
        return kind + slot() + slot() + ("" if kind == "fcopy" else slot())
    if kind == "fifvr":
        return "fifvr" + slot() + slot() + rng.choice("=>>")
    if kind == "fgoto":
        return "fgoto" + str(rng.randint(0, length + 1))
    if kind == "fnumv":
        return "fnumv" + rng.choice(["3", "4", "9", "12", "-1"])
    if kind == "frand":
        return "frand" + slot() + slot() + slot()
    return kind + (slot() if kind == "fprnt" else "")


def run(*args):
    try:
        done = subprocess.run([console, *args], stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=0.3)
    except subprocess.TimeoutExpired:
        return None
    return done.stderr.decode("utf-8", "replace")


misses, alarms, reached, tried = [], [], 0, 0
with tempfile.TemporaryDirectory(prefix="tovltries-") as top:
    path = top + "/script.tovl"
    for n in range(count):
        length = rng.randint(4, 12)
        lines = ["fnumv4"] + [random_line(length) for _ in range(length - 1)]
        with open(path, "w") as f:
            f.write("\n".join(lines) + "\n")
        trace = run("--trace", "--dry-run", path)
        if trace is None:
            continue  # runs for ever: the first run meets no error, or it would have ended
        tried += 1
        ran = [int(m[1]) for m in re.finditer(r"^(\d+): ", trace, re.M)]
        first_run, again, _ = trace.partition("running the script again from its first line")
        failed = [int(m[1]) for m in re.finditer(r"in line (\d+): ", first_run)]
        failing = set(failed) | {int(m[1]) for m in re.finditer(r"^line (\d+): ", trace, re.M)}
        before = [int(m[1]) for m in re.finditer(r"^(\d+): ", first_run, re.M)][:-1]
        outside_first = any(lines[line - 1][:5] in OUTSIDE for line in before)
        report = run("--check", path) or ""
        errors = {int(m[1]): m[2] for m in re.finditer(r":(\d+):\d+: error: (.*)", report)}
        if failed and not outside_first and lines[failed[0] - 1][:5] not in OUTSIDE:
            reached += 1
            if failed[0] not in errors:
                misses.append(f"line {failed[0]} of\n" + "\n".join(lines))
        clean = set(ran) - failing
        for line, message in errors.items():
            if line in clean and "fails with run-time error" in message:
                alarms.append(f"line {line}: {message}\n" + "\n".join(lines))

print(f"{tried} of {count} scripts ended; {reached} met an error before any input, "
      f"{len(misses)} of them missed; {len(alarms)} errors on lines that ran without one")
for what in (misses + alarms)[:5]:
    print(what)
print("ok:" if not misses and not alarms and reached > count // 10 else "failed")
