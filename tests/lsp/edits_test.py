"""tovl-lsp's edits: jumps renumbered to the line they pointed at before lines were inserted or
removed, the checker's suggested lines, and keyword completion. usage: edits_test.py TOVL-LSP"""
import itertools
import sys
import time

from lsp_client import Client, at, span

URI = "file:///loop.tovl"
# Lines 4 to 6 loop ("fgoto 4 " has blanks around its number that the jump reads past).
LOOP = "fnumv3\nfsetv11\nfsetv21\nfmath121+\nfprnt1\nfgoto 4 \nfprmt1\nfcopy1 2\n"
client = Client(sys.argv[1])
client.start()
names = (f"file:///{n}.tovl" for n in itertools.count())


def actions(line, uri=URI, end=None):
    return client.request("textDocument/codeAction", dict(textDocument=dict(uri=uri),
                          range=span(line, 0, 0, end), context=dict(diagnostics=[])))


def titles(line, uri=URI):
    return sorted(a["title"] for a in actions(line, uri))


def change(uri, version, r, text):
    client.change(uri, version, [dict(range=r, text=text)])


def renumbered(script, *changes):
    """(editor line, number) of each jump that "Renumber every moved jump" rewrites."""
    uri = next(names)
    client.open(uri, script)
    for version, (r, text) in enumerate(changes, 2):
        change(uri, version, r, text)
    fix = [a for a in actions(0, uri, 99) if a["kind"] == "source.fixAll"]
    return [(e["range"]["start"]["line"], e["newText"])
            for a in fix for e in a["edit"]["changes"][uri]]


client.open(URI, LOOP)
change(URI, 2, span(1, 0, 0), "fnewl\n")  # fgoto 4 is at line 7 now
found = actions(6)
assert sorted(a["title"] for a in found) == [
    "Renumber every moved jump", "Renumber the jump to line 5 (the line it pointed at)"], found
quick, fix_all = sorted(found, key=lambda a: a["kind"])
assert fix_all["command"] == dict(title=fix_all["title"], command="tovl.renumberJumps",
                                  arguments=[URI]), fix_all
assert quick["edit"]["changes"][URI] == [dict(range=span(6, 6, 7), newText="5")], quick
change(URI, 3, span(6, 6, 7), "5")  # as the editor applies it: fgoto 5 lands on fmath121+
assert actions(6) == [], "the renumbered jump is taken as meant"
change(URI, 4, span(4, 0, 0, 5), "")  # deletes the target, then a line above
change(URI, 5, span(0, 0, 0), "fnewl\n")
assert actions(6) == [], "a jump whose target was deleted is left as written"
change(URI, 6, span(6, 6, 7), "3")  # typed: to the fnewl of line 3, which then moves down
change(URI, 7, span(1, 0, 0), "fnewl\n")
assert titles(7)[1] == "Renumber the jump to line 4 (the line it pointed at)"
client.request("workspace/executeCommand", dict(command="tovl.renumberJumps", arguments=[URI]))
edit = client.note("workspace/applyEdit")["edit"]
assert edit["changes"][URI] == [dict(range=span(7, 6, 7), newText="4")], edit
change(URI, 8, span(7, 6, 7), "4")
assert actions(7) == []

# Which line stays itself: "T" is the target.
LINES, ABOVE = "a\nT\nb\nfgoto2\nc", (span(0, 0, 0), "n\n")
assert renumbered(LINES, (span(1, 0, 0), "\n")) == [(4, "3")]  # T moves down with its text
assert renumbered(LINES, (span(1, 1, 1), "\n")) == []  # a line end after T leaves it in place
assert renumbered(LINES, (span(0, 0, 0, 1), "")) == [(2, "1")]  # line 1 deleted
assert renumbered(LINES, (span(0, 1, 0, 1), "")) == []  # T joined to line 1 is gone
assert renumbered(LINES, (span(1, 1, 0, 2), ""), ABOVE) == [(3, "3")]  # line 3 joined to T
assert renumbered(LINES, (span(3, 5, 6), "9"), ABOVE) == []  # a jump past the last line
assert renumbered("fgoto2\nT", ABOVE) == [(1, "3")]  # to the last line
assert renumbered("", (span(0, 0, 0), "fgoto1\nT"), ABOVE) == [(1, "2")]  # typed from nothing
# Lines ending at CR LF, one holding a line feed: the editor counts one line more.
assert renumbered("x\ny\r\nT\r\nfgoto2", (span(2, 0, 0), "N\r\n")) == [(4, "3")]

# The checker's suggested lines, with the finding each fixes as it was published.
published = client.note("textDocument/publishDiagnostics",
                        lambda p: p["uri"] == URI and p["version"] == 8)
misspelt = next(d for d in published["diagnostics"] if d["range"]["start"]["line"] == 8)
fix = actions(8)
assert [(a["title"], a["diagnostics"]) for a in fix] == [("Write fprnt1", [misspelt])], fix
assert fix[0]["edit"]["changes"][URI] == [dict(range=span(8, 0, 6), newText="fprnt1")], fix
assert titles(9) == ["Write fcopy12"]  # a field's finding

# Keywords at columns 1 to 5 only, in place of what is typed there.
items = client.request("textDocument/completion", dict(textDocument=dict(uri=URI),
                                                       position=at(8, 3)))
assert len(items) == 23 and all(i["textEdit"]["range"] == span(8, 0, 3) for i in items), items
fmath = next(i for i in items if i["label"] == "fmath")
assert fmath["textEdit"]["newText"] == \
    "fmath${1:variable read}${2:variable read}${3:variable written}${4|+,-,*,/|}", fmath
for place in (at(8, 6), at(8, 5)):  # past column 5; "fprmt" starts no keyword
    assert client.request("textDocument/completion", dict(
        textDocument=dict(uri=URI), position=place)) == [], place

# A 32,767-line script: following an inserted line takes a small part of what the checker does.
BIG, big = next(names), "fnumv1\nfsetv11\n" + "fprnt1\n" * 32762 + "fgoto3\nfendp"
start = time.monotonic()
client.open(BIG, big)
client.note("textDocument/publishDiagnostics", lambda p: p["uri"] == BIG)
opening = time.monotonic() - start
start = time.monotonic()
change(BIG, 2, span(1, 0, 0), "fnewl\n")
assert "Renumber the jump to line 4 (the line it pointed at)" in titles(32765, BIG)
seconds = time.monotonic() - start
assert seconds < opening + 0.2, f"{seconds:.3f} s after an opening of {opening:.3f} s"

assert client.stop() == 0
print(f"ok: jumps renumbered, fixes and completion; a 32,767-line script opened in "
      f"{opening * 1000:.0f} ms, its edit answered in {seconds * 1000:.0f} ms")
