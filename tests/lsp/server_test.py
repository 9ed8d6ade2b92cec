"""tovl-lsp's life cycle and its diagnostics, driven over its pipes as an editor drives it:
the checker's findings as a script is typed, and protocol errors for bad messages, which
never end the server."""
import subprocess
import sys
import time

from lsp_client import Client, span

SERVER = sys.argv[1]
URI = "file:///work/loop.tovl"

# The checker's words for a whole script, as tovl-console --check prints them.
SCRIPT = "fnumv9\nfsetv1Hi\nfprmt1\nfgoto2\n"


def messages(diagnostics):
    return [(d["range"]["start"]["line"], d["range"]["start"]["character"], d["severity"],
             d["message"]) for d in diagnostics]


c = Client(SERVER)
assert c.request("hover", error=True)["code"] == -32002, "a request before initialize"
caps = c.start()["capabilities"]
assert caps["textDocumentSync"]["change"] == 2, caps

# The reading checks and the trial's loop warning come in one publication when the trial is
# quick: the misspelt keyword at its column, the endless loop at the jump that closes it.
c.open(URI, SCRIPT)
found = messages(c.note("textDocument/publishDiagnostics")["diagnostics"])
assert [f[:3] for f in found] == [(2, 0, 1), (3, 0, 2)], found
assert "did you mean fprnt? write fprnt1" in found[0][3] and "never ends" in found[1][3], found

# An incremental change mends the keyword: only the loop is left, for that version.
c.change(URI, 2, [dict(range=span(2, 3, 4), text="n")])
published = c.note("textDocument/publishDiagnostics")
assert published["version"] == 2 and [f[:3] for f in messages(published["diagnostics"])] == \
    [(3, 0, 2)], published

# A change without a range replaces the whole text.
c.change(URI, 3, [dict(text=SCRIPT)])
assert len(c.note("textDocument/publishDiagnostics", lambda p: p["version"] == 3)[
    "diagnostics"]) == 2

# A script of 1,000 lines: its findings within 50 ms of the change (the median of 9 changes).
lines = ["fnumv99"] + [f"fsetv{i % 100:02d}{i}" for i in range(1, 999)] + ["fprmt01"]
c.open("file:///work/long.tovl", "\n".join(lines))
c.note("textDocument/publishDiagnostics", lambda p: p["uri"].endswith("long.tovl"))
took = []
for version in range(2, 11):
    start = time.monotonic()
    c.change("file:///work/long.tovl", version, [dict(range=span(5, 7, 7), text=str(version))])
    p = c.note("textDocument/publishDiagnostics", lambda p: p.get("version") == version)
    took.append(time.monotonic() - start)
    assert messages(p["diagnostics"])[-1][:2] == (999, 0), p
took.sort()
assert took[4] < 0.05, f"findings of a 1,000-line script took {took[4] * 1000:.0f} ms"

# Bad messages get a protocol error and the server goes on: no JSON, no Content-Length, a
# message over the limit (its body is dropped as it comes), a request for an unknown method.
c.send_bytes(b"Content-Length: 5\r\n\r\n{bad}")
assert c.read_message()["error"]["code"] == -32700
c.send_bytes(b"Content-Type: x\r\n\r\n")
assert "no Content-Length" in c.read_message()["error"]["message"]
c.send_bytes(b"Content-Length: %d\r\n\r\n" % (65 << 20) + b" " * (65 << 20))
assert c.read_message()["error"]["code"] == -32600
assert c.request("textDocument/nothing", error=True)["code"] == -32601
assert c.request("textDocument/hover", dict(position={}), error=True)["code"] == -32602
for line in (2e117, 1 << 40, 1.5):  # no column of an int: parameters, not a crash
    assert c.request("textDocument/hover", dict(textDocument=dict(uri=URI), position=dict(
        line=line, character=0)), error=True)["code"] == -32602
assert c.stop() == 0

# A client that goes away mid-message, or exits without shutdown: the server ends, status 1.
for ending in (b"Content-Length: 100\r\n\r\n{", b""):
    c = Client(SERVER)
    c.start()
    c.open(URI, SCRIPT)
    c.send_bytes(ending)
    if ending:
        c.process.stdin.close()
    else:
        c.notify("exit", None)
    assert c.process.wait(timeout=10) == 1

print(f"ok: findings of a 1,000-line script in {took[4] * 1000:.1f} ms (median)")
