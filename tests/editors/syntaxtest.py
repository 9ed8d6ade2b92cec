#!/usr/bin/env python3
"""The editor syntax files in $XDG_DATA_DIRS, the build's editors/share, read by an editor's own
engine: Vim, or kate-syntax-highlighter of KDE's syntax engine. In a script with CR LF line
ends, made here, each character must show as keyword (K), operand (O), operator (P), comment
(C), line that does nothing (I) or plain text (.). Without the tool it says so and fails, which
CTest counts as a skip.

Usage: syntaxtest.py vim|kate-syntax-highlighter
"""
import functools, pathlib, re, shutil, subprocess, sys, tempfile

run = functools.partial(subprocess.run, capture_output=True, text=True, timeout=30)
# Vim's groups are these names after "tovl"; KDE's formats start with them.
CODE = {"Keyword": "K", "Operand": "O", "Operator": "P", "Comment": "C", "Inert": "I",
        "Normal": "."}
CASES = {"' x": "CCC", "fmath12 3+x": "KKKKKOOOOP.", "fifvr12>": "KKKKKOOP", "fifvr1+": "KKKKKO.",
         "fsetv1a2": "KKKKKO..", "fnewl x3": "KKKKK...", "fprint1": "IIIIIII", " fnewl": "IIIIII",
         "Fprnt1": "IIIIII", "scopy12": "KKKKKOO"}
# Vim finds the files as in /usr/share, replaces each line by its characters' codes and prints.
VIM = ["vim", "-es", "-N", "-u", "NONE", "--cmd", "set vi= rtp^=$XDG_DATA_DIRS/vim/vimfiles | "
       "filetype on | syntax on", "-c", "for l in range(1, line('$')) | call setline(l, join(map("
       f"range(1, col([l, '$']) - 1), {{_, c -> get({CODE}, synIDattr(synID(g:l, c, 1), 'name')"
       "[4:], '.')}), '')) | endfor | %print | qall!"]


def kde(sample):
    """The trace marks the column where each format starts and names it under the mark."""
    trace = run(["kate-syntax-highlighter", "-f", "ansi", "--syntax-trace=format", sample]).stdout
    # A line of the script is the one followed by marks that start in its first column.
    blocks = re.split(r"\n(?=.*\n\|)", "\n" + re.sub(r"\x1b\[[\d;]*[mK]", "", trace))[1:]
    starts = [{m.start(): CODE[m[0]] for row in block.splitlines()[1:]
               for m in re.finditer("|".join(CODE), row)} for block in blocks]
    return ["".join(s[max(c for c in s if c <= i)] for i in range(len(line)))
            for line, s in zip(CASES, starts)]


def main(tool):
    if not shutil.which(tool):
        return f"{tool} is not installed: skipped"
    with tempfile.TemporaryDirectory(prefix="tovl-editors-") as d:
        pathlib.Path(d, "x.tovl").write_bytes("".join(f"{line}\r\n" for line in CASES).encode())
        shown = kde(f"{d}/x.tovl") if tool != "vim" else run(VIM + [f"{d}/x.tovl"]).stdout.split()
    print(f"{tool} shows what it should" if shown == list(CASES.values()) else f"{tool}: {shown}")
    return int(shown != list(CASES.values()))


sys.exit(main(sys.argv[1]))
