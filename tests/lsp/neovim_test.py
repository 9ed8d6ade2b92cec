#!/usr/bin/env python3
"""Real Neovim, headless, with the project's editor files from the source tree on its
runtimepath (editors/nvim and editors/vim, as installed in share/nvim/site) and tovl-lsp first on
PATH, opens a script with a misspelt keyword: the file gets filetype tovl, the plugin starts the
server, and the diagnostic shows at the keyword's line and column, with the level and words of
`tovl-console --check` (taken from the server's folder). Skipped without nvim.

Usage: neovim_test.py TOVL-LSP
"""
import json, os, pathlib, re, shutil, subprocess, sys, tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
SCRIPT = "fnumv3\nfsetv1Hi\nfprmt1\nfnewl\n"  # line 3 is misspelt from its first column
# Waits for the diagnostics, then writes the filetype and them to out.json and quits.
PROBE = ("lua vim.wait(20000, function() return #vim.diagnostic.get(0) > 0 end, 50) "
         "vim.fn.writefile({vim.fn.json_encode({vim.bo.filetype, vim.diagnostic.get(0)})}, "
         "'out.json') vim.cmd('qall!')")


def main(server):
    if not shutil.which("nvim"):
        return print("nvim is not installed: skipped")
    folder = os.path.dirname(os.path.abspath(server))
    with tempfile.TemporaryDirectory(prefix="tovl-nvim-") as d:
        pathlib.Path(d, "typo.tovl").write_text(SCRIPT)
        nvim = subprocess.run(
            ["nvim", "--headless", "--clean", "--cmd",
             f"set rtp^={ROOT}/editors/nvim,{ROOT}/editors/vim", "typo.tovl", "-c", PROBE],
            cwd=d, env=dict(os.environ, PATH=folder + os.pathsep + os.environ["PATH"]),
            capture_output=True, text=True, timeout=40)
        out = pathlib.Path(d, "out.json")
        if not out.exists():
            sys.exit(f"nvim wrote nothing (status {nvim.returncode}): {nvim.stdout}{nvim.stderr}")
        filetype, shown = json.loads(out.read_text())
        report = subprocess.run([os.path.join(folder, "tovl-console"), "--check", "typo.tovl"],
                                cwd=d, capture_output=True, text=True, timeout=30).stderr
    found = re.findall(r"^typo\.tovl:(\d+):(\d+): (error|warning): (.*)$", report, re.M)
    want = [(int(line) - 1, int(column) - 1, 1 if level == "error" else 2, message)
            for line, column, level, message in found]
    got = [(d["lnum"], d["col"], d["severity"], d["message"]) for d in shown]
    assert [w[:3] for w in want] == [(2, 0, 1)], f"--check reports {report}"
    assert filetype == "tovl", f"filetype {filetype!r}"
    assert got == want, f"Neovim shows {got}, --check reports {want}"
    print("ok: Neovim shows the finding of --check at its line and column")


main(sys.argv[1])
