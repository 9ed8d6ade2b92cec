#!/usr/bin/env python3
"""How fast tovl-lsp answers a change to a long script, as an editor sees it.

Opens a script of LINES lines (default 32,767: the most a script may have) made of small
counting loops, each closed by a fgoto, then types: each change inserts a line at the top,
which moves every line and so every jump below it, or edits a character in the middle. For
each change it times, from the moment the change is sent, the first publication of findings
for that version; then, each from its own request, what an editor asks for next: the semantic
tokens of one screen (60 lines) and of the whole script, and the inlay hints of one screen. Prints the median and the slowest of ROUNDS changes.

usage: lsp_change.py TOVL_LSP [LINES] [ROUNDS]
"""
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "lsp"))
from lsp_client import Client, span  # noqa: E402

SERVER = sys.argv[1]
LINES = int(sys.argv[2]) if len(sys.argv) > 2 else 32767
ROUNDS = int(sys.argv[3]) if len(sys.argv) > 3 else 15
URI = "file:///bench/long.tovl"


def script(lines):
    out = ["fnumv99", "fsetv0010", "fsetv011"]
    while len(out) + 6 <= lines:
        top = len(out) + 1
        out += ["fsetv020", "fmath020102+", "fprnt02", "fifvr0002>", f"fgoto{top + 1}", "endif"]
    out += ["' end"] * (lines - len(out))
    return "\n".join(out)


def main():
    c = Client(SERVER, timeout=60)
    c.start()
    c.open(URI, script(LINES))
    c.note("textDocument/publishDiagnostics")
    times = {"findings": [], "tokens of a screen": [], "tokens of all": [], "hints of a screen": []}
    screen = span(LINES // 2, 0, 0, LINES // 2 + 60)
    doc = dict(textDocument=dict(uri=URI))
    asked = [("tokens of a screen", "semanticTokens/range", dict(doc, range=screen)),
             ("tokens of all", "semanticTokens/full", doc),
             ("hints of a screen", "inlayHint", dict(doc, range=screen))]
    for version in range(2, ROUNDS + 2):
        if version % 2:
            change = dict(range=span(LINES // 2, 0, 1), text="f")
        else:
            change = dict(range=span(1, 0, 0), text="' a line inserted above every loop\n")
        start = time.monotonic()
        c.change(URI, version, [change])
        c.note("textDocument/publishDiagnostics", lambda p: p.get("version") == version)
        times["findings"].append(time.monotonic() - start)
        for what, method, params in asked:
            start = time.monotonic()
            c.request("textDocument/" + method, params)
            times[what].append(time.monotonic() - start)
    c.stop()
    print(f"tovl-lsp, a script of {LINES} lines, {ROUNDS} changes; ms from the change or the "
          "request sent to the answer:")
    for what, t in times.items():
        print(f"  {what:18} median {statistics.median(t) * 1000:7.1f}   "
              f"slowest {max(t) * 1000:7.1f}")


main()
