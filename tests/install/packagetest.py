#!/usr/bin/env python3
"""Builds the Debian package with CPack, unpacks it into a temporary root and checks what a user
gets from it: every file in its place and nothing else, a Depends line that names the Qt 6
runtime, a desktop entry and a MIME type that the desktop tools accept and that point at each
other, icons of their stated sizes, manual pages that match the programs, and executables that
run from where they were installed.

Usage: packagetest.py CPACK CPACKCONFIG VERSION
"""
import configparser
import gzip
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

ICONSIZES = (16, 32, 48, 64, 128, 256)
MIMETYPE = "text/x-tovl"
MIMENS = "{http://www.freedesktop.org/standards/shared-mime-info}"

failures = []


def fail(message):
    failures.append(message)
    print(f"FAIL: {message}")


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, timeout=30, **kwargs)


def expectedfiles():
    files = {
        "usr/bin/tovl",
        "usr/bin/tovl-console",
        "usr/share/man/man1/tovl.1.gz",
        "usr/share/man/man1/tovl-console.1.gz",
        "usr/share/applications/tovl.desktop",
        "usr/share/mime/packages/tovl.xml",
    }
    files |= {f"usr/share/icons/hicolor/{n}x{n}/apps/tovl.png" for n in ICONSIZES}
    return files


def buildpackage(cpack, config, out, version):
    result = run([cpack, "-G", "DEB", "--config", config, "-B", str(out)])
    if result.returncode != 0:
        sys.stdout.write(result.stdout.decode(errors="replace"))
        sys.stdout.write(result.stderr.decode(errors="replace"))
        raise SystemExit(f"FAIL: cpack exited with status {result.returncode}")
    arch = run(["dpkg", "--print-architecture"]).stdout.decode().strip()
    deb = out / f"tovl_{version}_{arch}.deb"
    if not deb.is_file():
        made = sorted(p.name for p in out.glob("*.deb"))
        raise SystemExit(f"FAIL: expected {deb.name}, cpack made {made}")
    return deb, arch


def checkcontrol(deb, version, arch):
    fields = {}
    for line in run(["dpkg-deb", "-f", str(deb)]).stdout.decode().splitlines():
        if line and not line[0].isspace() and ":" in line:
            key, value = line.split(":", 1)
            fields[key] = value.strip()
    for key, want in (("Package", "tovl"), ("Version", version), ("Architecture", arch)):
        if fields.get(key) != want:
            fail(f"control {key} is {fields.get(key)!r}, not {want!r}")
    for key in ("Maintainer", "Description", "Section"):
        if not fields.get(key):
            fail(f"control has no {key}")
    depends = fields.get("Depends", "")
    print(f"Depends: {depends}")
    names = {re.split(r"[\s(:]", alt.strip())[0] for alt in re.split(r"[,|]", depends)}
    for needed in ("libqt6widgets6", "libc6"):
        if needed not in names:
            fail(f"Depends does not name {needed}: {depends!r}")


def checkfilelist(root):
    found = {str(p.relative_to(root)) for p in root.rglob("*") if not p.is_dir()}
    for missing in sorted(expectedfiles() - found):
        fail(f"not installed: /{missing}")
    for extra in sorted(found - expectedfiles()):
        fail(f"installed but not expected: /{extra}")
    for program in ("tovl", "tovl-console"):
        path = root / "usr/bin" / program
        if path.is_file() and not os.access(path, os.X_OK):
            fail(f"/usr/bin/{program} is not executable")


def checkicons(root):
    for n in ICONSIZES:
        path = root / f"usr/share/icons/hicolor/{n}x{n}/apps/tovl.png"
        if not path.is_file():
            continue
        head = path.read_bytes()[:24]
        if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
            fail(f"{path.name} at {n}x{n} is not a PNG")
            continue
        width, height = struct.unpack(">II", head[16:24])
        if (width, height) != (n, n):
            fail(f"the {n}x{n} icon is {width}x{height}")


def declaredmimetypes(xmlpath):
    try:
        tree = ET.parse(xmlpath)
    except ET.ParseError as error:
        fail(f"{xmlpath.name} is not well-formed XML: {error}")
        return {}
    types = {}
    for element in tree.getroot().iter(MIMENS + "mime-type"):
        types[element.get("type")] = element
    return types


def checkmime(root):
    xmlpath = root / "usr/share/mime/packages/tovl.xml"
    if not xmlpath.is_file():
        return set()
    types = declaredmimetypes(xmlpath)
    if MIMETYPE not in types:
        fail(f"{xmlpath.name} declares {sorted(types)}, not {MIMETYPE}")
    elif not (types[MIMETYPE].findtext(MIMENS + "comment") or "").strip():
        fail(f"{MIMETYPE} has no comment")

    # What the desktop reads is the database compiled from the XML, so compile one.
    mimedir = root / "usr/share/mime"
    result = run(["update-mime-database", str(mimedir)],
                 env={**os.environ, "XDG_DATA_DIRS": str(root / "usr/share")})
    if result.returncode != 0 or b"Failed to parse" in result.stderr:
        fail(f"update-mime-database: {result.stderr.decode(errors='replace').strip()}")
    globs = (mimedir / "globs2").read_text().splitlines() if (mimedir / "globs2").exists() else []
    if not any(line.split(":")[1:] == [MIMETYPE, "*.tovl"] for line in globs):
        fail(f"the compiled MIME database does not map *.tovl to {MIMETYPE}")
    subclasses = mimedir / "subclasses"
    parents = subclasses.read_text().splitlines() if subclasses.exists() else []
    if f"{MIMETYPE} text/plain" not in parents:
        fail(f"the compiled MIME database does not make {MIMETYPE} a kind of text/plain")
    return set(types)


def checkdesktop(root, mimetypes):
    entrypath = root / "usr/share/applications/tovl.desktop"
    if not entrypath.is_file():
        return
    result = run(["desktop-file-validate", str(entrypath)])
    output = (result.stdout + result.stderr).decode(errors="replace").strip()
    if output:
        print(output)
    if result.returncode != 0 or "error:" in output:
        fail("desktop-file-validate rejects tovl.desktop")

    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str
    parser.read(entrypath, encoding="utf-8")
    entry = parser["Desktop Entry"] if parser.has_section("Desktop Entry") else {}
    program = entry.get("Exec", "").split(" ")[0]
    if not (root / "usr/bin" / program).is_file():
        fail(f"Exec runs {program!r}, which the package does not install in /usr/bin")
    if "%f" not in entry.get("Exec", "").split(" ")[1:]:
        fail(f"Exec {entry.get('Exec')!r} does not pass the opened file")
    icon = entry.get("Icon", "")
    if not list(root.glob(f"usr/share/icons/hicolor/*/apps/{icon}.png")):
        fail(f"Icon {icon!r} has no image in the hicolor theme")
    if entry.get("Terminal") != "false":
        fail("the window entry asks for a terminal")
    claimed = {t for t in entry.get("MimeType", "").split(";") if t}
    if MIMETYPE not in claimed or not claimed <= mimetypes:
        fail(f"MimeType {sorted(claimed)} does not match the declared types {sorted(mimetypes)}")

    # The association a file manager follows: the cache built from the applications folder.
    run(["update-desktop-database", str(entrypath.parent)])
    cache = entrypath.parent / "mimeinfo.cache"
    associations = cache.read_text().splitlines() if cache.exists() else []
    if not any(line.startswith(f"{MIMETYPE}=") and "tovl.desktop;" in line
               for line in associations):
        fail(f"update-desktop-database does not associate {MIMETYPE} with tovl.desktop")


def manpagetext(root, page):
    path = root / f"usr/share/man/man1/{page}.1.gz"
    return gzip.decompress(path.read_bytes()).decode() if path.is_file() else None


def checkmanpages(root, console):
    for page in ("tovl", "tovl-console"):
        text = manpagetext(root, page)
        if text is None:
            continue
        escaped = page.replace("-", "\\-")
        if not re.search(rf"^\.TH {re.escape(escaped.upper())} 1 ", text, re.M):
            fail(f"{page}.1 has no .TH header for {page}(1)")
        # whatis and apropos take the line after NAME as "name \- summary".
        if not re.search(rf"^\.SH NAME\n{re.escape(escaped)} \\- \S", text, re.M):
            fail(f"{page}.1 has no NAME line of the form '{page} \\- summary'")
        if shutil.which("groff"):
            result = run(["groff", "-man", "-Tutf8", "-ww", "-z"], input=text.encode())
            if result.returncode != 0 or result.stderr:
                fail(f"groff warns about {page}.1: {result.stderr.decode(errors='replace')}")
        else:
            print(f"note: no groff here, {page}.1 is not rendered")

    # Every option that --help lists is documented on the manual page.
    text = manpagetext(root, "tovl-console")
    if text is None or not console.is_file():
        return
    helptext = run([str(console), "--help"]).stdout.decode()
    options = re.findall(r"^\s+(--[a-z-]+)", helptext, re.M)
    if not options:
        fail("tovl-console --help lists no options")
    documented = text.replace("\\-", "-")
    for option in options:
        if not re.search(rf"^\.B {re.escape(option)}$", documented, re.M):
            fail(f"tovl-console.1 has no entry for {option}")


def checkprograms(root, work, version):
    console = root / "usr/bin/tovl-console"
    window = root / "usr/bin/tovl"
    if console.is_file():
        result = run([str(console), "--version"])
        if result.stdout.decode().strip() != f"tovl-console {version}":
            fail(f"tovl-console --version says {result.stdout!r}")
        script = work / "hello.tovl"
        script.write_bytes(b"fnumv3\r\nfsetv1Hello\r\nfprnt1\r\nfnewl\r\n")
        result = run([str(console), str(script)], stdin=subprocess.DEVNULL)
        if (result.returncode, result.stdout, result.stderr) != (0, b"Hello\n", b""):
            fail(f"installed tovl-console on hello.tovl: status {result.returncode}, "
                 f"stdout {result.stdout!r}, stderr {result.stderr!r}")
    if window.is_file():
        # The window program with its Qt libraries, off screen; "fendp" closes it at once.
        script = work / "end.tovl"
        script.write_bytes(b"fnumv1\r\nfendp\r\n")
        env = {**os.environ, "QT_QPA_PLATFORM": "offscreen", "XDG_RUNTIME_DIR": str(work)}
        try:
            result = run([str(window), str(script)], env=env, stdin=subprocess.DEVNULL)
            if result.returncode != 0:
                fail(f"installed tovl exited with status {result.returncode}: "
                     f"{result.stderr.decode(errors='replace')}")
        except subprocess.TimeoutExpired:
            fail("installed tovl did not end on fendp")


def main():
    cpack, config, version = sys.argv[1:4]
    with tempfile.TemporaryDirectory(prefix="tovl-package-") as tmp:
        work = Path(tmp)
        os.chmod(work, 0o700)
        deb, arch = buildpackage(cpack, config, work / "out", version)
        print(f"built {deb.name}")
        checkcontrol(deb, version, arch)
        root = work / "root"
        extracted = run(["dpkg-deb", "-x", str(deb), str(root)])
        if extracted.returncode != 0:
            raise SystemExit(f"FAIL: dpkg-deb -x: {extracted.stderr.decode(errors='replace')}")
        checkfilelist(root)
        checkicons(root)
        checkmanpages(root, root / "usr/bin/tovl-console")
        checkprograms(root, work, version)
        # These two write the desktop caches into the unpacked tree, so they come last.
        checkdesktop(root, checkmime(root))
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    print("the package installs what it should")
    return 0


if __name__ == "__main__":
    sys.exit(main())
