#!/usr/bin/env python3
"""Runs TOVL's benchmark cases side by side with their Python and Lua peers.

Each case is a TOVL script (generated into the work folder from the templates below) and the
most natural equivalent Python 3 and Lua 5.4 programs. hyperfine times the commands of a case in
turns (a few runs of each, then the next command, over several turns, after a warm-up), so that
noise on a shared machine hits each alike; the table shows medians, ratios (TOVL time / peer
time) and peak memory. Only ratios from the same run mean anything on a shared machine.

The window start-up case compares the window executable with a minimal Qt widget program
(bench/qtminimal.cpp) from launch to first paint on a private Xvfb display. Neither program
ends by itself, so hyperfine cannot time them: bench/firstpaint launches each, watches the
display for the first paint, ends it and reports the time and the program's peak memory. Both
helpers come with the build when it is configured with -DTOVL_BENCH=ON.

usage: bench.py BUILD_DIR WORK_DIR [CASE ...]
"""
import json
import os
import select
import shutil
import statistics
import subprocess
import sys

BUILD, WORK = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
CHOSEN = sys.argv[3:]
CONSOLE = os.path.join(BUILD, "tovl-console")
WINDOW = os.path.join(BUILD, "tovl")
FIRSTPAINT = os.path.join(BUILD, "firstpaint")
QTMINIMAL = os.path.join(BUILD, "qtminimal")
QTTEXTWINDOW = os.path.join(BUILD, "qttextwindow")
# The cases timed to first paint by firstpaint rather than to exit by hyperfine.
PAINTCASES = {"start-up (window)"}
# The real interpreter binaries: a python3 on PATH may be a launcher shim with its own start-up.
PYTHON = os.path.realpath(shutil.which("python3", path="/usr/bin") or shutil.which("python3"))
LUA = os.path.realpath(shutil.which("lua5.4"))


def tovlscript(name, lines, lineend="\r\n"):
    path = os.path.join(WORK, name + ".tovl")
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + lineend).encode("latin-1"))
    return path


def peer(name, source):
    path = os.path.join(WORK, name)
    with open(path, "w") as f:
        f.write(source)
    return path


def countloop(n):
    # fmath adds, fifvr compares the text forms, fgoto jumps: three lines per iteration.
    return tovlscript(f"count{n}", ["fnumv3", "fsetv10", "fsetv21", f"fsetv3{n}",
                                    "fmath121+", "fifvr31>", "fgoto5", "endif"])


def printloop(n, end=()):
    return tovlscript(f"print{n}{'w' if end else ''}",
                      ["fnumv4", "fsetv10", "fsetv21", f"fsetv3{n}", "fsetv4Hello, world",
                       "fprnt4", "fnewl", "fmath121+", "fifvr31>", "fgoto6", "endif", *end])


# The lines the "no print" scripts print first: a screenful, which the window draws.
SCREENFUL = 60


def quietloop(n):
    # A screenful of the print loop's lines, then the print loop with its two printing lines made
    # comments: the window has drawn its text (its fonts and glyphs loaded), and the same loop runs.
    return tovlscript(f"quiet{n}", ["fnumv4", "fsetv4Hello, world", "fsetv10", "fsetv21", f"fsetv3{SCREENFUL}",
                                    "fprnt4", "fnewl", "fmath121+", "fifvr31>", "fgoto6", "endif",
                                    "fsetv10", f"fsetv3{n}", "' fprnt4", "' fnewl", "fmath121+", "fifvr31>",
                                    "fgoto14", "endif", "fendp"])


def cases():
    c = {}
    c["count 1M"] = [
        ("tovl", [CONSOLE, countloop(1_000_000)]),
        ("python", [PYTHON, peer("count.py", "import sys\nn = int(sys.argv[1])\ni = 0\nwhile i < n:\n    i += 1\n"), "1000000"]),
        ("lua", [LUA, peer("count.lua", "local n = tonumber(arg[1])\nlocal i = 0\nwhile i < n do i = i + 1 end\n"), "1000000"]),
        ("python text", [PYTHON, peer("counttext.py", "import sys\nn = int(sys.argv[1])\ni = 0\nwhile float(str(i)) < n:\n    i += 1\n"), "1000000"]),
        ("lua text", [LUA, peer("counttext.lua", "local n = tonumber(arg[1])\nlocal i = 0\nwhile tonumber(tostring(i)) < n do i = i + 1 end\n"), "1000000"]),
    ]
    c["count 10M"] = [(who, cmd[:-1] + ["10000000"] if who != "tovl" else [CONSOLE, countloop(10_000_000)])
                      for who, cmd in c["count 1M"]]
    pyprint = peer("print.py", "import sys\nfor _ in range(int(sys.argv[1])):\n    print('Hello, world')\n")
    luaprint = peer("print.lua", "for _ = 1, tonumber(arg[1]) do io.write('Hello, world\\n') end\n")
    for n, label in ((100_000, "100k"), (1_000_000, "1M")):
        c[f"print {label}"] = [("tovl", [CONSOLE, printloop(n)]), ("python", [PYTHON, pyprint, str(n)]),
                               ("lua", [LUA, luaprint, str(n)])]
    for n, label in ((10_000, "10k"), (100_000, "100k")):
        c[f"print window {label}"] = [("tovl window", ["env", "QT_QPA_PLATFORM=offscreen", WINDOW, printloop(n, ["fendp"])]),
                                      ("tovl console", [CONSOLE, printloop(n, ["fendp"])]),
                                      # The same loop without its prints: starting, running and
                                      # stopping (a screenful printed and drawn), taken off to
                                      # compare the printing alone.
                                      ("window, no print", ["env", "QT_QPA_PLATFORM=offscreen", WINDOW, quietloop(n)]),
                                      ("console, no print", [CONSOLE, quietloop(n)])]
    chunk = "x" * 100
    c["strings 1MB"] = [
        ("tovl", [CONSOLE, tovlscript("strings", ["fnumv5", "fsetv10", "fsetv21", "fsetv310000", f"fsetv4{chunk}",
                                                  "fsetv5", "fappd545", "fmath121+", "fifvr31>", "fgoto7", "endif"])]),
        ("python", [PYTHON, peer("strings.py", f"s = ''\nfor _ in range(10000):\n    s += '{chunk}'\n")]),
        ("lua", [LUA, peer("strings.lua", f"local s = ''\nfor _ = 1, 10000 do s = s .. '{chunk}' end\n")]),
    ]
    big = os.path.join(WORK, "big.txt")
    if not os.path.exists(big) or os.path.getsize(big) < 50_000_000:
        line = ("The quick brown fox jumps over the lazy dog 0123456789 " * 2).encode() + b"\r\n"
        with open(big, "wb") as f:
            f.write(line * (50_000_000 // len(line) + 1))
    c["files 50MB"] = [
        ("tovl", [CONSOLE, tovlscript("files", ["fnumv2", f"fsetv2{big}", "sload12", "ssave12"])]),
        ("python", [PYTHON, peer("files.py", "import sys\np = sys.argv[1]\nwith open(p, encoding='latin-1', newline='') as f:\n"
                                             "    text = ''.join(line.rstrip('\\r\\n') + '\\r\\n' for line in f)\n"
                                             "with open(p, 'w', encoding='latin-1', newline='') as f:\n    f.write(text)\n"), big]),
    ]
    c["table 32767"] = [
        # A script has at most 32,768 lines: "fnumv", a line per slot for 32,766 slots, "fendp".
        ("tovl", [CONSOLE, tovlscript("table", ["fnumv32767"] + [f"fsetv{i:05d}x" for i in range(32766)] + ["fendp"],
                                      lineend="")]),
        ("python", [PYTHON, peer("table.py", "t = [None] * 32768\nfor i in range(32768):\n    t[i] = 'x'\n")]),
        ("lua", [LUA, peer("table.lua", "local t = {}\nfor i = 0, 32767 do t[i] = 'x' end\n")]),
    ]
    c["start-up"] = [
        ("tovl", [CONSOLE, tovlscript("empty", [])]),
        ("lua", [LUA, "-e", ""]),
        ("python", [PYTHON, "-c", ""]),
    ]
    # An empty script: the window opens with nothing in it and waits.
    nothing = os.path.join(WORK, "nothing.tovl")
    open(nothing, "wb").close()
    c["start-up (window)"] = [
        ("tovl", [WINDOW, nothing]),
        ("qt minimal", [QTMINIMAL]),
        ("qt text window", [QTTEXTWINDOW]),
    ]
    return c


def peakrss(cmd):
    # GNU time forks the command from its own small image: Linux counts the parent's size at the
    # fork into the child's peak, which from this Python would hide small programs' memory.
    out = subprocess.run(["/usr/bin/time", "-f", "%M", *cmd], stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True, cwd=WORK)
    return int(out.stderr.strip().splitlines()[-1]) / 1024


def printtable(name, rows):
    """rows: (who, median seconds, peak RSS MB); the first row is TOVL's."""
    first = rows[0][1]
    print(f"\n{name}")
    print(f"  {'command':<16}{'median s':>10}{'ratio':>8}{'peak RSS MB':>13}")
    for i, (who, median, rss) in enumerate(rows):
        ratio = "" if i == 0 else f"{first / median:8.2f}"
        print(f"  {who:<16}{median:>10.4f}{ratio:>8}{rss:>13.1f}")


def startxvfb():
    """A private X server on a free display; returns the server and the environment to use it."""
    reader, writer = os.pipe()
    # -noreset: the server would otherwise reset itself each time its last client leaves.
    server = subprocess.Popen(["Xvfb", "-displayfd", str(writer), "-screen", "0", "1024x768x24",
                               "-nolisten", "tcp", "-noreset"],
                              pass_fds=(writer,), stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(writer)
    number = b""
    while not number.endswith(b"\n"):
        ready, _, _ = select.select([reader], [], [], 10)
        chunk = os.read(reader, 16) if ready else b""
        if not chunk:
            server.kill()
            server.wait()
            os.close(reader)
            sys.exit("bench: Xvfb did not start")
        number += chunk
    os.close(reader)
    env = dict(os.environ, DISPLAY=":" + number.decode().strip())
    # The X platform plugin (xcb), as on a desktop: no Wayland, no offscreen.
    env.pop("WAYLAND_DISPLAY", None)
    env.pop("QT_QPA_PLATFORM", None)
    return server, env


def firstpaint(cmd, env):
    """One launch to first paint: (seconds, peak RSS MB)."""
    out = subprocess.run([FIRSTPAINT, *cmd], env=env, cwd=WORK, stdin=subprocess.DEVNULL,
                         capture_output=True, text=True)
    if out.returncode != 0:
        sys.exit(f"bench: firstpaint {' '.join(cmd)} failed ({out.returncode}):\n{out.stderr}")
    seconds, kb = out.stdout.split()
    return float(seconds), int(kb) / 1024


def runpaintcase(name, commands, warmups=2, runs=15):
    missing = [path for path in (FIRSTPAINT, QTMINIMAL) if not os.path.exists(path)]
    if missing:
        print(f"\n{name}\n  skipped: no {' or '.join(missing)} (configure the build with -DTOVL_BENCH=ON)")
        return
    if not shutil.which("Xvfb"):
        print(f"\n{name}\n  skipped: no Xvfb (package xvfb)")
        return
    server, env = startxvfb()
    try:
        times = {who: [] for who, _ in commands}
        peaks = {who: [] for who, _ in commands}
        # The programs take turns, so that a busy spell on the machine hits each alike.
        for turn in range(warmups + runs):
            for who, cmd in commands:
                seconds, rss = firstpaint(cmd, env)
                if turn >= warmups:
                    times[who].append(seconds)
                    peaks[who].append(rss)
    finally:
        server.terminate()
        server.wait()
    # Each run's peak is the program's own, from firstpaint; the table shows their median.
    printtable(name, [(who, statistics.median(times[who]), statistics.median(peaks[who]))
                      for who, _ in commands])


def runcase(name, commands):
    """Times the commands in turns, a few runs of each per turn, so that a busy spell on the machine
    hits every command of the case alike; the table shows the median of all runs."""
    long_case = name in ("count 10M", "print 1M", "files 50MB", "print window 100k")
    turns, runs = (5, 1) if long_case else (6, 3)
    out = os.path.join(WORK, "result.json")
    times = {who: [] for who, _ in commands}
    for turn in range(turns):
        for who, cmd in commands:
            quoted = " ".join(f"'{a}'" for a in cmd)
            subprocess.run(["hyperfine", "-N", "--warmup", "1" if turn == 0 else "0", "--runs", str(runs),
                            "--export-json", out, "--style", "none", quoted],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=WORK)
            with open(out) as f:
                times[who] += json.load(f)["results"][0]["times"]
    rows = [(who, statistics.median(times[who]), peakrss(cmd)) for who, cmd in commands]
    printtable(name, rows)
    if name.startswith("print window"):
        printingcost(name, rows)


def printingcost(name, rows):
    """The window's printing against the console's, each less the same loop run without its
    prints, and the window's memory per character of output above its size with a screenful
    printed: what drawing text costs once (fonts, glyphs) is not counted per character."""
    (_, window, window_rss), (_, console, _), (_, window_idle, window_idle_rss), (_, console_idle, _) = rows
    lines = {"print window 10k": 10_000, "print window 100k": 100_000}[name]
    chars = (lines - SCREENFUL) * len("Hello, world\r\n")
    ratio = (window - window_idle) / max(console - console_idle, 1e-6)
    per_char = (window_rss - window_idle_rss) * 1024 * 1024 / chars
    print(f"  printing alone: window {window - window_idle:.4f} s, console {console - console_idle:.4f} s,"
          f" ratio {ratio:.2f}; window memory {per_char:.2f} bytes a character")


def main():
    os.makedirs(WORK, exist_ok=True)
    all_cases = cases()
    print("TOVL benchmarks: ratio = TOVL time / peer time (below 1: TOVL is faster)")
    for name, commands in all_cases.items():
        if CHOSEN and not any(name.startswith(c) for c in CHOSEN):
            continue
        if name in PAINTCASES:
            runpaintcase(name, commands)
        else:
            runcase(name, commands)


if __name__ == "__main__":
    main()
