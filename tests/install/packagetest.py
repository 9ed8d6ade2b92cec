#!/usr/bin/env python3
"""Checks the Debian package that `make deb` built (build-deb/) as a user and a distribution
would: Debian's own checker (lintian, every tag down to the pedantic ones) and AppStream's
validator find nothing; every file is in its place, the desktop entry passes desktop-file-validate;
the programs are stripped and hardened (fortified calls, stack protector, read-only relocations
bound at start-up, position-independent); the package installs with dpkg into a clean root, its
console and window runners run a script there (the window under Xvfb), and a purge leaves no
file of it behind. Then installs the build as `make install` does and checks that it puts the
same files under its prefix, stripped and hardened too.

Without a package in DEB_FOLDER it is skipped: `make test` builds one first.

Usage: packagetest.py DEB_FOLDER VERSION BUILD EXAMPLES
"""
import gzip
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

PROGRAMS = ("tovl", "tovl-console", "tovl-lsp")
METAINFO = "usr/share/metainfo/org.tovl.tovl.metainfo.xml"
FILES = {"usr/share/applications/tovl.desktop", "usr/share/mime/packages/tovl.xml", METAINFO,
         "usr/share/org.kde.syntax-highlighting/syntax/tovl.xml",
         "usr/share/tovl/kate-lspclient.json", "usr/share/nvim/site/plugin/tovl_lsp.lua"} | {
    f"usr/bin/{p}" for p in PROGRAMS} | {f"usr/share/man/man1/{p}.1.gz" for p in PROGRAMS} | {
    f"usr/share/{d}/{kind}/tovl.vim" for d in ("vim/vimfiles", "nvim/site")
    for kind in ("syntax", "ftdetect")} | {
    f"usr/share/icons/hicolor/{n}x{n}/apps/tovl.png" for n in (16, 32, 48, 64, 128, 256)}
PACKAGE_ONLY = {"usr/share/doc/tovl/copyright", "usr/share/doc/tovl/changelog.gz"}
SKIPPED = 77  # the test's SKIP_RETURN_CODE
HELLO = b"fnumv3\r\nfsetv1Hello\r\nfprnt1\r\nfnewl\r\nfendp\r\n"


def run(*args, timeout=60, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=timeout, **kwargs)


def docs(examples):
    """The README, the guide and the examples, as the manual pages name them: not compressed."""
    return {"usr/share/doc/tovl/README.md", "usr/share/doc/tovl/language.md"} | {
        f"usr/share/doc/tovl/examples/{p.name}" for p in Path(examples).glob("*.tovl")}


def program_faults(root, prefix):
    """What each installed program lacks: stripped of its symbols, and hardened."""
    faults = []
    for name in PROGRAMS:
        path = str(root / prefix / "bin" / name)
        sections = run("readelf", "-S", "-W", path).stdout
        dynamic = run("readelf", "-d", "-W", path).stdout
        header = run("readelf", "-h", path).stdout
        segments = run("readelf", "-l", "-W", path).stdout
        symbols = run("readelf", "--dyn-syms", "-W", path).stdout
        lacks = [what for what, has in (
            ("stripped", ".symtab" not in sections),
            ("PIE", "DYN" in header and "PIE" in dynamic),
            ("read-only relocations", "GNU_RELRO" in segments),
            ("binding at start-up", "BIND_NOW" in dynamic or re.search(r"FLAGS_1.*\bNOW\b", dynamic)),
            ("stack protector", "__stack_chk_fail" in symbols),
            ("fortified calls", re.search(r"__\w+_chk\b", symbols.replace("__stack_chk_fail", "")))
        ) if not has]
        faults += [f"{prefix}/bin/{name}: not {what}" for what in lacks]
    return faults


def xvfb():
    """An X server on a free display, and its display name."""
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-nolisten", "tcp"],
                              pass_fds=(write,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as f:
        number = f.readline().strip()
    return server, f":{number}"


def installed_run_faults(deb, tmp):
    """Installs the package with dpkg into a clean root, runs a script with both runners there,
    purges it and looks for what is left."""
    root = tmp / "dpkg-root"
    for folder in ("var/lib/dpkg/info", "var/lib/dpkg/updates", "var/log"):
        (root / folder).mkdir(parents=True)
    (root / "var/lib/dpkg/status").touch()
    before = set(root.rglob("*"))
    # The package's libraries are the host's: the root has no database of them.
    dpkg = ["dpkg", f"--root={root}", "--force-depends", "--force-not-root",
            "--force-script-chrootless", f"--log={os.devnull}"]
    installed = run(*dpkg, "--install", str(deb))
    if installed.returncode:
        return [f"dpkg --install: {installed.stdout}{installed.stderr}"]
    faults = []
    script = tmp / "hello.tovl"
    script.write_bytes(HELLO)
    console = run(str(root / "usr/bin/tovl-console"), str(script), stdin=subprocess.DEVNULL)
    if (console.returncode, console.stdout) != (0, "Hello\n"):
        faults.append(f"installed tovl-console: {console}")
    server, display = xvfb()
    try:
        env = {k: v for k, v in os.environ.items() if k not in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env.update(DISPLAY=display, XDG_RUNTIME_DIR=str(tmp), HOME=str(tmp))
        window = run(str(root / "usr/bin/tovl"), str(script), env=env, stdin=subprocess.DEVNULL)
        if window.returncode:
            faults.append(f"installed tovl exited with {window.returncode}: {window.stderr}")
    finally:
        server.terminate()
        server.wait()
    purged = run(*dpkg, "--purge", "tovl")
    if purged.returncode:
        return faults + [f"dpkg --purge: {purged.stdout}{purged.stderr}"]
    left = sorted(str(p.relative_to(root)) for p in root.rglob("*")
                  if p not in before and not str(p.relative_to(root)).startswith("var/lib/dpkg"))
    return faults + [f"left after the purge: /{p}" for p in left]


def check(deb, version, build, examples, tmp):
    failures, root = [], tmp / "root"
    # The version is written in CMakeLists.txt, debian/changelog and the AppStream releases.
    built = run("dpkg-deb", "-f", str(deb), "Version").stdout.strip()
    if built != version:
        failures.append(f"the package is version {built}, the build {version}: "
                        "debian/changelog and CMakeLists.txt differ")
    depends = run("dpkg-deb", "-f", str(deb), "Depends").stdout
    if "libqt6widgets6" not in depends:
        failures.append(f"Depends does not name the Qt 6 runtime: {depends!r}")
    # Every tag, information and pedantic ones included: "X: package: tag ...".
    lintian = run("lintian", "-I", "-E", "--pedantic", str(deb), timeout=300)
    tags = [line for line in lintian.stdout.splitlines() if re.match(r"[A-Z]: ", line)]
    failures += [f"lintian: {tag}" for tag in tags]
    if lintian.returncode and not tags:
        failures.append(f"lintian failed: {lintian.stderr}")

    run("dpkg-deb", "-x", str(deb), str(root))
    files = FILES | PACKAGE_ONLY | docs(examples)
    found = {str(p.relative_to(root)) for p in root.rglob("*") if p.is_file()}
    failures += [f"not installed: /{f}" for f in sorted(files - found)]
    failures += [f"installed but not expected: /{f}" for f in sorted(found - files)]
    failures += program_faults(root, "usr")
    entry = run("desktop-file-validate", str(root / "usr/share/applications/tovl.desktop"))
    if entry.returncode or entry.stdout + entry.stderr:
        failures.append(f"desktop-file-validate: {entry.stdout}{entry.stderr}")
    # Without the network: the screenshot's address is the project's site, not this machine's.
    listed = (root / METAINFO).read_text() if (root / METAINFO).exists() else ""
    release = re.search(r'<release version="([^"]+)"', listed)
    if not release or release.group(1) != version:
        failures.append(f"the newest release of {METAINFO} is not {version}")
    metainfo = run("appstreamcli", "validate", "--pedantic", "--no-net", str(root / METAINFO))
    if metainfo.returncode or "Validation was successful." not in metainfo.stdout:
        failures.append(f"appstreamcli validate: {metainfo.stdout}{metainfo.stderr}")
    for page in PROGRAMS:
        with gzip.open(root / "usr/share/man/man1" / f"{page}.1.gz", "rt") as f:
            if "/usr/share/doc/tovl/" not in f.read():
                failures.append(f"{page} does not name the installed guide")
    server = run(str(root / "usr/bin/tovl-lsp"), "--version")
    if (server.returncode, server.stdout) != (0, f"tovl-lsp {version}\n"):
        failures.append(f"installed tovl-lsp: {server}")
    failures += installed_run_faults(deb, tmp)

    # make install: the same files under /usr/local, as the project has them, stripped and
    # hardened too.
    local = tmp / "local"
    installed = run("cmake", "--install", build, "--prefix", "/usr/local", "--strip",
                    env=dict(os.environ, DESTDIR=str(local)))
    if installed.returncode:
        return failures + [f"cmake --install: {installed.stdout}{installed.stderr}"]
    found = {str(p.relative_to(local / "usr/local")) for p in local.rglob("*") if p.is_file()}
    wanted = {f[len("usr/"):] for f in FILES | docs(examples)}
    failures += [f"make install does not put /usr/local/{f}" for f in sorted(wanted - found)]
    failures += [f"make install also puts /usr/local/{f}" for f in sorted(found - wanted)]
    failures += program_faults(local, "usr/local")
    return failures


def main():
    deb_folder, version, build, examples = sys.argv[1:5]
    debs = list(Path(deb_folder).glob("tovl_*.deb"))
    if not debs:
        # ctest reports the test as skipped: `make test` always builds the package first.
        print(f"no package tovl_*.deb in {deb_folder}: `make deb` builds it")
        return SKIPPED
    with tempfile.TemporaryDirectory(prefix="tovl-package-") as tmp:
        os.chmod(tmp, 0o700)
        failures = check(debs[0], version, build, examples, Path(tmp))
    print("\n".join(failures) or "the package installs what it should")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
