#!/usr/bin/env python3
"""Builds the Debian package with CPack, unpacks it into a temporary root and checks what a user
gets: every file in its place, a Depends line that names the Qt 6 runtime, a desktop entry that
the desktop tools accept without a hint, stripped programs that run from where they were
installed, manual pages that point to the installed guide, and a maintainer found as
cmake/maintainer.cmake says, which is tried with each of its sources. Then installs the build as
`make install` does and checks that it puts the same files under its prefix, as stripped.

Usage: packagetest.py CPACK CPACKCONFIG VERSION BUILD EXAMPLES
"""
import gzip
import os
import pwd
import re
import subprocess
import sys
import tempfile
from pathlib import Path

PROGRAMS = ("tovl", "tovl-console", "tovl-lsp")
FILES = {"usr/share/applications/tovl.desktop", "usr/share/mime/packages/tovl.xml",
         "usr/share/org.kde.syntax-highlighting/syntax/tovl.xml",
         "usr/share/tovl/kate-lspclient.json", "usr/share/nvim/site/plugin/tovl_lsp.lua"} | {
    f"usr/bin/{p}" for p in PROGRAMS} | {f"usr/share/man/man1/{p}.1.gz" for p in PROGRAMS} | {
    f"usr/share/{d}/{kind}/tovl.vim" for d in ("vim/vimfiles", "nvim/site")
    for kind in ("syntax", "ftdetect")} | {
    f"usr/share/icons/hicolor/{n}x{n}/apps/tovl.png" for n in (16, 32, 48, 64, 128, 256)} | {
    "usr/share/doc/tovl/language.md", "usr/share/doc/tovl/README.md"}
MAINTAINER = Path(__file__).resolve().parents[2] / "cmake" / "maintainer.cmake"


def run(*args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=30, **kwargs)


def unstripped(root, prefix):
    """The installed programs that still carry a symbol table."""
    return [name for name in PROGRAMS
            if "not stripped" in run("file", str(root / prefix / "bin" / name)).stdout]


def maintainer_failures(tmp):
    """The maintainer from DEBFULLNAME and DEBEMAIL, else git, else the password database."""
    plain = {k: v for k, v in os.environ.items() if k not in ("DEBFULLNAME", "DEBEMAIL")}
    plain.update(GIT_CONFIG_NOSYSTEM="1", GIT_CONFIG_GLOBAL=os.devnull)
    git = dict(plain, GIT_CONFIG_COUNT="2", GIT_CONFIG_KEY_0="user.name", GIT_CONFIG_VALUE_0="Gi T",
               GIT_CONFIG_KEY_1="user.email", GIT_CONFIG_VALUE_1="git@example.net")
    user = pwd.getpwuid(os.getuid())
    cases = [(dict(git, DEBFULLNAME="De B", DEBEMAIL="deb@example.net"), "De B <deb@example.net>"),
             (dict(git, DEBEMAIL="Ma Il <mail@example.net>"), "Ma Il <mail@example.net>"),
             (git, "Gi T <git@example.net>"),
             (plain, f"{user.pw_gecos.split(',')[0] or user.pw_name} <{user.pw_name}@")]
    found = [(run("cmake", "-P", str(MAINTAINER), cwd=tmp, env=env).stderr.strip(), want)
             for env, want in cases]
    return [f"maintainer {got!r}, expected {want!r}" for got, want in found
            if not got.startswith(want) or not got.endswith(">")]


def check(cpack, config, version, build, examples, tmp):
    files = FILES | {f"usr/share/doc/tovl/examples/{p.name}" for p in Path(examples).glob("*.tovl")}
    built = run(cpack, "-G", "DEB", "--config", config, "-B", str(tmp / "out"))
    debs = list((tmp / "out").glob(f"tovl_{version}_*.deb"))
    if built.returncode or len(debs) != 1:
        return [f"cpack made {debs}: {built.stdout}{built.stderr}"]
    failures, root = [], tmp / "root"
    depends = run("dpkg-deb", "-f", str(debs[0]), "Depends").stdout
    if "libqt6widgets6" not in depends:
        failures.append(f"Depends does not name the Qt 6 runtime: {depends!r}")
    maintainer = run("dpkg-deb", "-f", str(debs[0]), "Maintainer").stdout.strip()
    if not re.fullmatch(r"[^<>]+ <[^<>\s]+@[^<>\s]+>", maintainer):
        failures.append(f"Maintainer is not \"Name <address>\": {maintainer!r}")
    failures += maintainer_failures(tmp)
    run("dpkg-deb", "-x", str(debs[0]), str(root))
    found = {str(p.relative_to(root)) for p in root.rglob("*") if p.is_file()}
    failures += [f"not installed: /{f}" for f in sorted(files - found)]
    failures += [f"installed but not expected: /{f}" for f in sorted(found - files)]
    failures += [f"not stripped: /usr/bin/{name}" for name in unstripped(root, "usr")]
    entry = run("desktop-file-validate", str(root / "usr/share/applications/tovl.desktop"))
    if entry.returncode or entry.stdout + entry.stderr:
        failures.append(f"desktop-file-validate: {entry.stdout}{entry.stderr}")
    for page in PROGRAMS:
        with gzip.open(root / "usr/share/man/man1" / f"{page}.1.gz", "rt") as f:
            if "/usr/share/doc/tovl/" not in f.read():
                failures.append(f"{page} does not name the installed guide")
    script = tmp / "hello.tovl"
    script.write_bytes(b"fnumv3\r\nfsetv1Hello\r\nfprnt1\r\nfnewl\r\nfendp\r\n")
    console = run(str(root / "usr/bin/tovl-console"), str(script), stdin=subprocess.DEVNULL)
    if (console.returncode, console.stdout) != (0, "Hello\n"):
        failures.append(f"installed tovl-console: {console}")
    server = run(str(root / "usr/bin/tovl-lsp"), "--version")
    if (server.returncode, server.stdout) != (0, f"tovl-lsp {version}\n"):
        failures.append(f"installed tovl-lsp: {server}")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=str(tmp))
    window = run(str(root / "usr/bin/tovl"), str(script), env=env, stdin=subprocess.DEVNULL)
    if window.returncode:
        failures.append(f"installed tovl exited with {window.returncode}: {window.stderr}")

    # make install: the same files under /usr/local, stripped too.
    local = tmp / "local"
    installed = run("cmake", "--install", build, "--prefix", "/usr/local", "--strip",
                    env=dict(os.environ, DESTDIR=str(local)))
    if installed.returncode:
        return failures + [f"cmake --install: {installed.stdout}{installed.stderr}"]
    found = {str(p.relative_to(local / "usr/local")) for p in local.rglob("*") if p.is_file()}
    wanted = {f[len("usr/"):] for f in files}
    failures += [f"make install does not put /usr/local/{f}" for f in sorted(wanted - found)]
    failures += [f"make install also puts /usr/local/{f}" for f in sorted(found - wanted)]
    failures += [f"make install: not stripped: {name}" for name in unstripped(local, "usr/local")]
    return failures


def main():
    with tempfile.TemporaryDirectory(prefix="tovl-package-") as tmp:
        os.chmod(tmp, 0o700)
        failures = check(*sys.argv[1:6], Path(tmp))
    print("\n".join(failures) or "the package installs what it should")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
