"""tovl-lsp's edits: a jump renumbered after a line is inserted above its loop, the fix for a
misspelt keyword, and keyword completion. usage: edits_test.py TOVL-LSP"""
import sys
import time

from lsp_client import Client, at, span

URI = "file:///loop.tovl"
# Lines 4 to 6 loop ("fgoto 4 " has blanks around its number that the jump reads past).
LOOP = "fnumv3\nfsetv11\nfsetv21\nfmath121+\nfprnt1\nfgoto 4 \nfprmt1\nfcopy1 2\n"


def actions(client, line, uri=URI):
    return client.request("textDocument/codeAction", dict(
        textDocument=dict(uri=uri), range=span(line, 0, 0), context=dict(diagnostics=[])))


def apply(client, edit, version):
    """Sends a workspace edit back as the editor applies it, last place first."""
    edits = sorted(edit["changes"][URI], key=lambda e: (e["range"]["start"]["line"],
                                                        e["range"]["start"]["character"]))
    client.change(URI, version, [dict(range=e["range"], text=e["newText"]) for e in reversed(edits)])


def titles(found):
    return sorted(a["title"] for a in found)


client = Client(sys.argv[1])
client.start()
client.open(URI, LOOP)
client.change(URI, 2, [dict(range=span(1, 0, 0), text="fnewl\n")])  # fgoto 4 at line 7 now
found = actions(client, 6)
assert titles(found) == ["Renumber every moved jump",
                         "Renumber the jump to line 5 (the line it pointed at)"], found
fix_all = next(a for a in found if a["kind"] == "source.fixAll")
assert fix_all["command"] == dict(title=fix_all["title"], command="tovl.renumberJumps",
                                  arguments=[URI]), fix_all
quick = next(a for a in found if a["kind"] == "quickfix")
assert quick["edit"]["changes"][URI] == [dict(range=span(6, 6, 7), newText="5")], quick
apply(client, quick["edit"], 3)  # "fgoto 5 ", landing on fmath121+ again
assert actions(client, 6) == [], "the renumbered jump is taken as meant"

# Deleting the target line (fmath121+) loses it: nothing to renumber to.
client.change(URI, 4, [dict(range=span(4, 0, 0, 5), text="")])
client.change(URI, 5, [dict(range=span(0, 0, 0), text="fnewl\n")])
assert actions(client, 6) == [], "a jump whose target was deleted is left as written"

# A jump whose own number the user types is re-anchored to it.
client.change(URI, 6, [dict(range=span(6, 6, 7), text="3")])  # to the fnewl of line 3
client.change(URI, 7, [dict(range=span(1, 0, 0), text="fnewl\n")])
assert titles(actions(client, 7))[1].startswith("Renumber the jump to line 4 ")

client.request("workspace/executeCommand", dict(command="tovl.renumberJumps", arguments=[URI]))
edit = client.note("workspace/applyEdit")["edit"]
assert edit["changes"][URI] == [dict(range=span(7, 6, 7), newText="4")], edit
apply(client, edit, 8)
assert actions(client, 7) == []

# The checker's suggested line, with the finding it fixes as it was published.
published = client.note("textDocument/publishDiagnostics", lambda p: p["version"] == 8)
misspelt = next(d for d in published["diagnostics"] if d["range"]["start"]["line"] == 8)
fix = actions(client, 8)
assert [(a["title"], a["diagnostics"]) for a in fix] == [("Write fprnt1", [misspelt])], fix
assert fix[0]["edit"]["changes"][URI] == [dict(range=span(8, 0, 6), newText="fprnt1")], fix
assert titles(actions(client, 9)) == ["Write fcopy12"]  # a field's finding

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

# A 32,767-line script: the memory follows an inserted line in a time linear in the lines, a
# small part of what the checker takes on the same script.
BIG, big = "file:///big.tovl", "fnumv1\nfsetv11\n" + "fprnt1\n" * 32762 + "fgoto3\nfendp"
start = time.monotonic()
client.open(BIG, big)
client.note("textDocument/publishDiagnostics", lambda p: p["uri"] == BIG)
opening = time.monotonic() - start
start = time.monotonic()
client.change(BIG, 2, [dict(range=span(1, 0, 0), text="fnewl\n")])
found = actions(client, 32765, BIG)
seconds = time.monotonic() - start
assert titles(found)[1].startswith("Renumber the jump to line 4 "), found
assert seconds < opening + 0.2, f"{seconds:.3f} s after an opening of {opening:.3f} s"

assert client.stop() == 0
print(f"ok: jumps renumbered, fixes and completion; a 32,767-line script opened in "
      f"{opening * 1000:.0f} ms, its edit answered in {seconds * 1000:.0f} ms")
