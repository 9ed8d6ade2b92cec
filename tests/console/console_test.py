#!/usr/bin/env python3
"""tovl-console's standard streams under stress: output that cannot be written, signals with
output still buffered or blocked, a launched program's output, a long print loop's memory, an
answer too long for a text, memory that runs out, trace and output in one pipe, control
characters shown and emoji kept whole on a terminal, the terminal's title given back, files
saved to the standard streams, and a saved file flushed to the disk before it takes its place.

Usage: console_test.py TOVL-CONSOLE
"""
import os
import pty
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import termios
import time

console = sys.argv[1]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def run(args, what, timeout=20, **options):
    """The finished run, or None (a failure) when it still runs after `timeout` seconds."""
    options = {"stdout": subprocess.PIPE, "stderr": subprocess.PIPE, **options}
    try:
        return subprocess.run(args, timeout=timeout, **options)
    except subprocess.TimeoutExpired:
        failures.append(f"{what}: still running after {timeout} seconds")
        return None


def script(folder, name, *lines):
    path = os.path.join(folder, name)
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    return path


with tempfile.TemporaryDirectory(prefix="tovlconsole-") as top:
    # Output that cannot be written ends the run at its first failed write, with status 3 and
    # one message: a full disk (also for a huge text printed again and again, and for --help
    # and --version) or a closed pipe whose signal is ignored, as this test ignores it. Not
    # ignored, that signal ends the program as it ends any other.
    hello = script(top, "hello.tovl", "fnumv1", "fsetv1hello", "fprnt1", "fnewl")
    loop = script(top, "loop.tovl", "fnumv1", "fsetv1before the stop", "fprnt1", "fnewl", "fgoto5")
    forever = script(top, "forever.tovl", "fnumv1", "fsetv1again", "fprnt1", "fnewl", "fgoto3")
    huge = script(top, "huge.tovl", "fnumv4", "fsetv1x", "fsetv20", "fsetv326", "fsetv41",
                  "fappd111", "fmath242+", "fifvr32>", "fgoto6", "endif", "fprnt1", "fgoto11")
    for args, to, status in [([hello], "full", 3), ([forever], "full", 3), ([huge], "full", 3),
                             (["--help"], "full", 3), (["--version"], "full", 3),
                             ([forever], "pipe", 3), ([forever], "pipe", -signal.SIGPIPE)]:
        reader, writer = os.pipe()
        os.close(reader)
        with open("/dev/full", "w") as full:
            done = run([console] + args, f"{args} to a {to}", text=True,
                       stdout=full if to == "full" else writer, restore_signals=status != 3)
        os.close(writer)
        if done:
            check(done.returncode == status
                  and done.stderr.count("could not be written") == (status == 3),
                  f"{args} to a {to}: status {done.returncode}, stderr {done.stderr!r}")

    # Traced, the same loop leaves its trace whole: the lines held back at the stop are written
    # too (the loop is paused to see what was written before the stop signal).
    def stopped_trace():
        trace_path = os.path.join(top, "trace.txt")
        with open(trace_path, "w") as trace:
            running = subprocess.Popen([console, "--trace", loop], stdout=subprocess.DEVNULL,
                                       stderr=trace)
            time.sleep(0.1)
            running.send_signal(signal.SIGSTOP)
            time.sleep(0.1)
            written = os.path.getsize(trace_path)
            running.send_signal(signal.SIGTERM)
            running.send_signal(signal.SIGCONT)
            running.wait(timeout=10)
        with open(trace_path, "rb") as trace:
            trace.seek(max(0, os.path.getsize(trace_path) - 100))
            tail = trace.read()
        held = os.path.getsize(trace_path) - written
        os.remove(trace_path)
        return held, tail

    # A stop just after a block was written finds nothing held: that is tried again.
    for _ in range(3):
        held, tail = stopped_trace()
        if held > 0:
            break
    check(held > 0 and tail.endswith(b"\n5: fgoto5  jump to line 5\n"),
          f"SIGTERM with --trace: {held} bytes after the stop, ending {tail!r}")

    # Every signal whose default ends the program writes out what was printed first, and then
    # ends it.
    thousand = script(top, "thousand.tovl", "fnumv3", "fsetv10", "fsetv21", "fsetv31000",
                      "fmath121+", "fprnt1", "fnewl", "fifvr31>", "fgoto5", "endif", "fgoto11")
    ending = [signal.SIGQUIT, signal.SIGUSR1, signal.SIGUSR2, signal.SIGALRM, signal.SIGXCPU,
              signal.SIGXFSZ, signal.SIGVTALRM, signal.SIGPROF, signal.SIGPIPE, signal.SIGRTMIN,
              signal.SIGTERM, signal.SIGINT, signal.SIGHUP]
    no_core = lambda: resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
    running = []
    for number in ending:
        out = open(os.path.join(top, f"signal{int(number)}.txt"), "w+")
        running.append((number, out, subprocess.Popen([console, thousand], stdout=out,
                                                      preexec_fn=no_core)))
    time.sleep(0.5)
    for number, out, process in running:
        process.send_signal(number)
    for number, out, process in running:
        process.wait(timeout=10)
        out.seek(0)
        lines = out.read().count("\n")
        check(process.returncode == -number and lines == 1000,
              f"signal {number}: status {process.returncode}, {lines} of 1000 lines written")
        out.close()

    # Output that is not read (a full pipe, a terminal stopped with Ctrl-S) does not keep a stop
    # signal from ending the program within a second.
    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        for blocked in ("pipe", "terminal"):
            main_end, stopped_end = pty.openpty() if blocked == "terminal" else os.pipe()
            if blocked == "terminal":
                termios.tcflow(stopped_end, termios.TCOOFF)
            process = subprocess.Popen([console, forever], stdout=stopped_end)
            time.sleep(0.3)
            process.send_signal(number)
            try:
                process.wait(timeout=1)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
            check(process.returncode == -number,
                  f"signal {number} with a blocked {blocked}: status {process.returncode}")
            os.close(main_end)
            os.close(stopped_end)

    # What the script printed before it starts a program comes before the program's output, also
    # when the script goes on for a while after the start.
    launch = script(top, "launch.tovl", "fnumv4", "fsetv1before", "fprnt1", "fnewl",
                    "fsetv2echo launched", "frexe2", "fsetv30", "fsetv41", "fsetv0200000",
                    "fmath343+", "fifvr03>", "fgoto10", "endif")
    done = run([console, launch], "launch", text=True)
    if done:
        check(done.stdout == "before\nlaunched\n", f"launch: {done.stdout!r}")

    # Ten million printed lines in constant memory.
    count = script(top, "count.tovl", "fnumv4", "fsetv10", "fsetv21", "fsetv310000000",
                   "fsetv4line", "fprnt4", "fnewl", "fmath121+", "fifvr31>", "fgoto6", "endif")
    # The peak is read from the running process: a child's rusage would count the memory of
    # this interpreter, which it shares until its exec.
    running, peak_kb = subprocess.Popen([console, count], stdout=subprocess.DEVNULL), 0
    while running.poll() is None:
        try:
            with open(f"/proc/{running.pid}/status") as status:
                peak_kb = max([peak_kb] + [int(line.split()[1]) for line in status
                                           if line.startswith("VmHWM:")])
        except (OSError, ValueError):
            pass
        time.sleep(0.05)
    check(running.returncode == 0 and 0 < peak_kb < 10 * 1024,
          f"10 million printed lines: status {running.returncode}, peak RSS {peak_kb} KB")

    # An answer longer than a text may be, or than the memory budget has room for, is refused
    # with the out-of-memory error, and the rest of its line is dropped: the second run's
    # question gets the next line.
    ask = script(top, "ask.tovl", "fnumv2", "fsetv1Name?", "finpt21", "fprnt2", "fnewl")
    for options, length in (([], 2**27 + 5), (["--max-memory=8M"], 2**22)):
        done = run([console, *options, ask], "long answer", timeout=60,
                   input=b"x" * length + b"\nsecond\n")
        if done:
            check(done.returncode == 0 and done.stdout == b"second\n"
                  and done.stderr.count(b"Run-time error 14: Out of memory") == 1,
                  f"long answer {options}: status {done.returncode}, output "
                  f"{done.stdout[:20]!r}, stderr {done.stderr[-300:]!r}")

    # Memory that runs out in a line that ran before (a copy of a text that doubles each time
    # round) is that line's error, in both runs, not the error of the line decoded last.
    copies = script(top, "copies.tovl", "fnumv9", "fsetv1xxxxxxxx", "fappd111",
                    *[f"fcopy1{to}" for to in range(2, 10)], "fgoto3")
    limit = 150_000 * 1024
    done = subprocess.run([console, copies], capture_output=True, text=True, timeout=120,
                          preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_AS, (limit, limit)))
    named = re.findall(r"line \d+: (\w+)", done.stderr)
    check(done.returncode == 1 and len(named) == 2 and all(n.startswith("fcopy1") for n in named),
          f"memory running out in a copy: status {done.returncode}, stderr {done.stderr!r}")

    # Trace lines and printed output sent to one pipe keep their order.
    traced = script(top, "traced.tovl", "fnumv1", "fsetv1a", "fprnt1", "fnewl")
    done = subprocess.run([console, "--trace", traced], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True)
    check(done.stdout == '1: fnumv1  table 0..1, fields 1 wide\n2: fsetv1a  v1 = "a"\n'
          'a3: fprnt1\n\n4: fnewl\n', f"trace and output in one pipe: {done.stdout!r}")

    def on_terminal(args, ending=None, **options):
        """The status of a run with standard error on a terminal, and all it wrote there;
        `ending` is a signal sent to it once it is under way."""
        main_end, terminal_end = pty.openpty()
        running = subprocess.Popen([console] + args, stdin=subprocess.DEVNULL, stderr=terminal_end,
                                   **{"stdout": subprocess.DEVNULL, **options})
        if ending:
            time.sleep(0.3)
            running.send_signal(ending)
        status = running.wait(timeout=20)
        os.close(terminal_end)
        shown = b""
        try:
            while chunk := os.read(main_end, 8192):
                shown += chunk
        except OSError:  # the terminal is read to its end
            pass
        os.close(main_end)
        return status, shown

    # A message on a terminal shows its control characters (C0, DEL, C1) instead of obeying
    # them; the characters next to them in the code table stay as they are. So do --check's
    # lines, with the caret under the column, its script names and its cannot-read message.
    # Every path to standard error writes an emoji whole (this one's second half lies in the
    # range of escaped bytes, and it stands where a value's shown part ends), half of one as
    # U+FFFD: messages, prompts, dry-run reports, trace lines, error reports and --check.
    message = script(top, "message\x1b[2J.tovl", "fnumv1",
                     "fsetv1\x1b]0;retitled\x07\x1b[2Jdone \x7f\x80\x9f\xa0~", "fmsgb1",
                     "fsetv1\x1b\x80 ' note")
    name = os.path.basename(message).replace("\x1b", "^[").encode()
    light = "\U0001F4A1"
    lit, long = light.encode(), ("echo " + "x" * 34 + light).encode()
    emoji = script(top, "emoji.tovl", "fnumv2", "fsetv1" + long.decode(), "fmsgb1", "finpt21",
                   "frexe1", "fmath111" + light, "fmath112+")
    for args, expected, absent in [
            ([message], [b"^[]0;retitled^G^[[2Jdone ^?<U+0080><U+009F>\xc2\xa0~"], [b"\x1b"]),
            (["--trace", "--dry-run", emoji],
             [b'v1 = "' + long + b'"\r\n' + long + b"\r\n", long + b" \r\n",
              b"dry run: " + long + b"\r\n", b'holds "' + long + b'", which', b"fmath111" + lit],
             [b"\x1b", b"\xef\xbf\xbd"]),
            (["--check", message, message + "\x1b[J", emoji],
             [name + b":4:", b"fsetv1^[<U+0080> ' note\r\n" + b" " * 17 + b"^\r\n",
              b"cannot read " + (top + "/").encode() + name + b"^[[J: File",
              b'operator "\xef\xbf\xbd"', b"fmath111" + lit + b"\r\n" + b" " * 8 + b"^\r\n"],
             [b"\x1b", b"not UTF-8"])]:
        shown = on_terminal(args)[1]
        check(all(e in shown for e in expected) and not any(a in shown for a in absent),
              f"{args} on a terminal: {shown!r}")

    # ftitl saves the terminal's title on its title stack before it first sets its own (without
    # what could end the title's sequence), and every way out gives the saved title back, once:
    # the end, fendp, an error, output that cannot be written, a signal that ends the program.
    save, restore, title = b"\x1b[22;0t", b"\x1b[23;0t", b"\x1b]0;T" + lit + b"\x07"
    titled = ["fnumv1", "fsetv1T\x1b\x07" + light + "\x9c", "ftitl1", "ftitl1"]
    for tail, ending, status, said in [
            ([], None, 0, None), (["fendp", "fmsgb1"], None, 0, None),
            (["fmath111+"], None, 1, b"Run-time error 1"), (["fprnt1"], None, 3, b"not be written"),
            (["fgoto5"], signal.SIGTERM, -signal.SIGTERM, None),
            (["fgoto5"], signal.SIGINT, -signal.SIGINT, None)]:
        with open("/dev/full", "w") as full:
            done, shown = on_terminal([script(top, "titled.tovl", *titled, *tail)], ending,
                                      stdout=full)
        check(done == status and (shown == save + title * 2 + restore if said is None else
                                  shown.startswith(save + title * 2) and said in shown
                                  and shown.endswith(restore) and shown.count(restore) == 1),
              f"ftitl, then {tail} {ending}: status {done}, on the terminal {shown!r}")

    # ssave to standard output or error, by any of their names, writes after what was printed
    # before, at the stream's position or appended: it never empties or replaces the file
    # behind them, and what is printed after it follows it.
    streams = script(top, "streams.tovl", "fnumv3", "fsetv1before", "fprnt1", "fnewl",
                     "fsetv3saved", "fsetv2/dev/stdout", "ssave32", "fsetv2/dev/fd/1", "ssave32",
                     "fsetv2/dev/stderr", "ssave32", "fsetv1after", "fprnt1", "fnewl")
    printed, saved_path = b"before\nsaved\r\nsaved\r\nafter\n", os.path.join(top, "saved.txt")
    for mode, kept in (("wb", b""), ("ab", b"kept\n"), ("pipe", b"")):
        with open(saved_path, "wb") as f:
            f.write(kept)
        with open(saved_path, "ab" if mode == "pipe" else mode) as out:
            done = subprocess.run([console, streams], stdout=subprocess.PIPE if mode == "pipe"
                                  else out, stderr=subprocess.PIPE)
        got = done.stdout if mode == "pipe" else open(saved_path, "rb").read()
        check(done.returncode == 0 and got == kept + printed and done.stderr == b"saved\r\n",
              f"ssave to the standard streams ({mode}): status {done.returncode}, output {got!r},"
              f" errors {done.stderr!r}")

    # A replaced file is flushed to the disk before the rename that puts it in place, and its
    # folder after that rename.
    save = script(top, "save.tovl", "fnumv2", "fsetv1saved.txt", "fsetv2text", "ssave21", "ssave21")
    if shutil.which("strace"):
        traced = subprocess.run(["strace", "-e", "trace=fsync,fdatasync,linkat,renameat,renameat2",
                                 console, save], cwd=top, capture_output=True, text=True)
        check(re.search(r"^f(?:data)?sync\(\d+\).*\n(?:linkat.*\n)?renameat2?\((\d+),.*\n"
                        r"f(?:data)?sync\(\1\)", traced.stderr, re.M),
              f"flushes around the rename of a saved file: {traced.stderr[-600:]!r}")

print("\n".join(failures) or "ok: output failures, signals, launch, memory, long answer, copies, "
      "one pipe, terminal, title, standard streams, flushes")
sys.exit(1 if failures else 0)
