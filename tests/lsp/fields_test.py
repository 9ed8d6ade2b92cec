"""Fields, hovers and jump links of tovl-lsp: the tokens of a script under two layouts, the
guide's words on a keyword, a field's variable and layout, and where each jump lands."""
import os
import re
import subprocess
import sys
import tempfile

from lsp_client import Client, at, span

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
URI = "file:///fields.tovl"
# fnumv9 makes fields 1 wide, fnumv99 2 wide; the first jump brings line 3 under fnumv99 too.
# "fnumv 99" makes the same table as the fnumv99 above it, and it is the one nearest the lines
# below; the flow finds the first.
SCRIPT = ("' two layouts\nfnumv9\nfcopy12\nFprnt1\nfnumv99\nfnumv 99\nfcopy01x2\nfmath010203+\n"
          "fgoto3\nfgoto40\nfgoto0\n")
LINES = SCRIPT.split("\n")

client = Client(sys.argv[1])
legend = client.start()["capabilities"]["semanticTokensProvider"]["legend"]
client.open(URI, SCRIPT)
doc = dict(textDocument=dict(uri=URI))
GUIDE = os.path.join(ROOT, "docs", "language.md")


def ask(method, **params):
    return client.request("textDocument/" + method, dict(doc, **params))


def tokens(method="full", **params):
    data, line, column, found = ask("semanticTokens/" + method, **params)["data"], 0, 0, []
    for k in range(0, len(data), 5):
        dline, dstart, length, kind, bits = data[k:k + 5]
        line, column = line + dline, column + dstart if dline == 0 else dstart
        names = {m for i, m in enumerate(legend["tokenModifiers"]) if bits >> i & 1}
        found.append((line, LINES[line][column:column + length], legend["tokenTypes"][kind], names))
    return found


got = tokens()
assert tokens("range", range=span(2, 0, 0, 3)) == [t for t in got if t[0] in (2, 3)]
for expected in [
        (0, "' two layouts", "comment", set()), (1, "fnumv", "keyword", set()),
        (1, "9", "number", set()), (2, "1", "variable", {"otherLayouts"}),
        (2, "2", "variable", {"modification", "otherLayouts"}),
        (3, "Fprnt1", "comment", {"ignored"}),
        (6, "01", "variable", set()), (6, "x2", "variable", {"modification", "notNumber"}),
        (7, "03", "variable", {"modification"}), (7, "+", "operator", set()),
        (8, "3", "number", set())]:
    assert expected in got, f"no token {expected} in {got}"
assert len([t for t in got if t[0] == 2]) == 3, got  # the keyword and two 1-wide fields


def hover(line, character):
    found = ask("hover", position=at(line, character))
    return found and found["contents"]["value"], found and found["range"]


with open(GUIDE, encoding="utf-8") as f:
    does = re.search(r"^\| \[`fmath`\]\(#fmath\) \|[^|]*\|(.*)\|$", f.read(), re.M)[1].strip()
words, where = hover(7, 2)
assert does in words and "```tovl\n" in words and where == span(7, 0, 5), (words, does)
words, where = hover(6, 6)
assert "**1**" in words and "2 columns" in words and "line 6" in words, words
assert where == span(6, 5, 7), where
words, _ = hover(2, 6)
assert "**2**" in words and "writes" in words and "1 column" in words and "line 2" in words, words
assert "`` fnumv99 `` at line 5, with fields 2 columns" in words, words
words, _ = hover(8, 5)
assert "line 3" in words and "fcopy12" in words, words
assert "past the last line" in hover(9, 6)[0]
assert hover(0, 2) == hover(len(LINES), 0) == (None, None)

assert ask("definition", position=at(8, 0)) == dict(uri=URI, range=span(2, 0, 7))
for line in 9, 10, len(LINES):  # past the last line, to line 0, past the script
    assert ask("definition", position=at(line, 0)) is None, line
for include, expected in [(False, [span(8, 5, 6)]), (True, [span(2, 0, 7), span(8, 5, 6)])]:
    found = ask("references", position=at(2, 3), context=dict(includeDeclaration=include))
    assert [r["range"] for r in found] == expected, found
hints = ask("inlayHint", range=span(8, 0, 6, end_line=10))
assert [(h["position"], h["label"], h["kind"], h["paddingLeft"]) for h in hints] == [
    (at(8, 6), "→ 3: fcopy12", 1, True),
    (at(9, 7), "→ past the last line: the run ends", 1, True)], hints
client.open("file:///last.tovl", "fgoto2\nfnewl")  # to the last line, asked past the script
assert [h["label"] for h in client.request("textDocument/inlayHint", dict(
    textDocument=dict(uri="file:///last.tovl"), range=span(0, 0, 0, end_line=99)))] == ["→ 2: fnewl"]
assert client.stop() == 0

# A guide that lacks a keyword's row stops the build, naming the keyword.
with open(GUIDE, encoding="utf-8") as f:
    guide = re.sub(r"^\| \[`fcopy`\].*\n", "", f.read(), flags=re.M)
with tempfile.TemporaryDirectory() as folder:
    with open(os.path.join(folder, "guide.md"), "w", encoding="utf-8") as f:
        f.write(guide)
    made = subprocess.run([sys.executable, os.path.join(ROOT, "lsp", "make_keyword_help.py"),
                           f.name, os.path.join(ROOT, "interp", "keywords.def"),
                           os.path.join(folder, "help.cpp")], capture_output=True, text=True)
assert made.returncode != 0 and "fcopy" in made.stderr, made
print("ok: tokens, hovers, definitions, references and inlay hints of fields and jumps")
