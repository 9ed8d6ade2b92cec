#!/usr/bin/env python3
"""One memory budget for everything a run holds (copies, loaded files, long lines), and scripts
that cannot be read (larger than the budget, UTF-16) refused with a message and status 2.

Usage: memory_test.py TOVL-CONSOLE
"""
import os
import subprocess
import sys
import tempfile

console = sys.argv[1]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def write(folder, name, content):
    path = os.path.join(folder, name)
    with open(path, "wb") as f:
        f.write(content)
    return path


def run(*args):
    """Runs tovl-console; gives its status and standard error ("timed out" after a minute)."""
    try:
        done = subprocess.run([console, *args], stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=60)
    except subprocess.TimeoutExpired:
        return None, "timed out"
    return done.returncode, done.stderr.decode("utf-8", "replace")


with tempfile.TemporaryDirectory(prefix="tovlmemory-") as top:
    # Every way a run makes a text counts against one budget: ninety copies of a 1 Mi-character
    # text, a file under /proc that never ends, a file of lone CRs (each becomes CR LF), and a
    # long script line stored by fsetv and copied.
    copies = write(top, "copies.tovl", "\n".join(
        ["fnumv99", "fsetv01" + "x" * 1024] + ["fappd010101"] * 10 +
        ["fcopy01%02d" % i for i in range(2, 92)]).encode() + b"\n")
    crs = write(top, "crs.txt", b"\r" * (3 << 20))
    loads = {"/proc/self/pagemap": "a file that never ends", crs: "lone CRs"}
    for name, what in loads.items():
        load = write(top, "load.tovl", f"fnumv2\nfsetv1{name}\nsload21\n".encode())
        status, errors = run("--max-memory=8M", load)
        check(status == 0 and "14 Out of memory" in errors and "budget of 8 MiB" in errors,
              f"sload of {what} past the budget: status {status}, stderr {errors!r}")
    line = write(top, "line.tovl", b"fnumv4\nfsetv1" + b"y" * (2 << 20) +
                 b"\nfcopy12\nfcopy13\nfcopy14\nfsetv1z\n")
    for script, budget, what in ((copies, "16M", "copies"), (line, "8M", "a long line")):
        status, errors = run("--max-memory=" + budget, script)
        check(status == 1 and errors.count("Run-time error 14: Out of memory") == 2
              and f"past its memory budget of {budget[:-1]} MiB" in errors,
              f"{what} past the budget: status {status}, stderr {errors!r}")

    # A script that cannot be held (a sparse terabyte) or that is UTF-16 is not read: the run
    # and --check say why, with status 2.
    sparse = os.path.join(top, "sparse.tovl")
    with open(sparse, "wb") as f:
        f.truncate(1 << 40)
    text = "fnumv1\nfsetv1hi\nfprnt1\n"
    unreadable = {
        sparse: "larger than the memory budget",
        write(top, "bom.tovl", text.encode("utf-16")): "UTF-16",
        write(top, "plain.tovl", text.encode("utf-16-le")): "UTF-16",
        write(top, "big.tovl", text.encode("utf-16-be")): "UTF-16",
    }
    for path, reason in unreadable.items():
        for args in ([path], ["--check", path]):
            status, errors = run(*args)
            check(status == 2 and f"cannot read {path}: it is " in errors and reason in errors,
                  f"{' '.join(args)}: status {status}, stderr {errors!r}")

print("\n".join(failures) or "ok: copies, endless file, lone CRs, long line, sparse and UTF-16 "
      "scripts")
sys.exit(1 if failures else 0)
