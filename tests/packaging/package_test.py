#!/usr/bin/python3
"""Checks the release packages as a player would meet them.

usage: package_test.py deb DEB
       package_test.py zip ZIP

deb: lintian reports no errors; unpacked with dpkg-deb -x, the desktop entry
and the AppStream metainfo validate, the icons are the sizes their folders
name, and the program from the unpacked root, in a real X server with a
stand-in chooser answering the packaged demo cartridge, plays the intro and
exits 0 when closed.
zip: one top folder with the five files; orvalis.exe carries the icon (every
size), the version information (the project's one version) and the
manifest.
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "gui"))
sys.path.insert(0, os.path.join(ROOT, "tests", "harness"))

from xharness import product_words  # noqa: E402

APP_ID = "org.orvalispc.OrvalisPC"
ICON_SIZES = [16, 32, 48, 64, 128, 256]


class Failure(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Failure(message)


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        found = re.search(r"project\(orvalis_pc VERSION (\d+\.\d+\.\d+)", f.read())
    expect(found, "no version in CMakeLists.txt")
    return found.group(1)


def png_size(data):
    expect(data[:8] == b"\x89PNG\r\n\x1a\n" and data[12:16] == b"IHDR", "not a PNG")
    return struct.unpack(">II", data[16:24])


def run(*command, **kwargs):
    return subprocess.run(list(command), capture_output=True, text=True, timeout=300, **kwargs)


def check_deb(deb):
    version = project_version()
    expect(os.path.basename(deb) == f"orvalis-pc_{version}_amd64.deb", f"unexpected name {deb}")
    lint = run("lintian", "--tag-display-limit", "0", deb)
    tags = [line for line in lint.stdout.splitlines() if re.match(r"[EWIPX]: ", line)]
    for line in tags:
        print(f"lintian: {line}")
    expect(not [t for t in tags if t.startswith("E: ")], "lintian reports errors")

    info = run("dpkg-deb", "-f", deb, "Package", "Version", "Section", "Recommends", "Depends").stdout
    print(info.strip())
    expect(f"Version: {version}" in info and "Section: games" in info, "wrong version or section")
    expect("Recommends: zenity | kdialog" in info, "the chooser is not recommended")
    expect("libsdl2" in info, "the SDL2 dependency was not computed")

    root = tempfile.mkdtemp(prefix="orvalis-deb-")
    try:
        subprocess.run(["dpkg-deb", "-x", deb, root], check=True)
        share = os.path.join(root, "usr", "share")
        desktop = os.path.join(share, "applications", f"{APP_ID}.desktop")
        metainfo = os.path.join(share, "metainfo", f"{APP_ID}.metainfo.xml")
        result = run("desktop-file-validate", desktop)
        expect(result.returncode == 0 and not result.stdout.strip(),
               f"desktop-file-validate: {result.stdout}{result.stderr}")
        result = run("appstreamcli", "validate", "--no-net", metainfo)
        print(result.stdout.strip())
        expect(result.returncode == 0, f"appstreamcli validate: {result.stdout}{result.stderr}")
        with open(metainfo) as f:
            expect(f'<release version="{version}"' in f.read(), "the AppStream release is not the version")
        for size in ICON_SIZES:
            with open(os.path.join(share, "icons", "hicolor", f"{size}x{size}", "apps", f"{APP_ID}.png"), "rb") as f:
                got = png_size(f.read(24))
            expect(got == (size, size), f"the {size}x{size} icon is {got[0]}x{got[1]}")
        for doc in ("README.md", "LICENSE", "THIRD-PARTY-NOTICES", "copyright"):
            expect(os.path.isfile(os.path.join(share, "doc", "orvalis-pc", doc)), f"no {doc} in the docs")
        rom = os.path.join(share, "orvalis-pc", "orvalis-demo.gba")
        expect(os.path.getsize(rom) == 8 * 1024 * 1024, "the packaged demo cartridge is not 8 MiB")
        expect(not [f for _, _, files in os.walk(root) for f in files if "capture" in f or "preview" in f],
               "a developer tool is in the package")
        play_unpacked(os.path.join(root, "usr", "games", "orvalis"), rom)
    finally:
        shutil.rmtree(root, ignore_errors=True)


def play_unpacked(program, rom):
    from gui_harness import WORDS, Session, wait_for
    session = Session("deb")
    failed = True
    try:
        session.start_x()
        chooser = session.chooser_answers(rom)
        session.start_program(program, [chooser, "/usr/bin", "/bin"])
        window = session.find_window(WORDS["product_window_title"])

        def showing_sprites():
            session.check_alive("the intro")
            return not session.screenshot(window).is_black()
        wait_for("the intro's first sprites", showing_sprites, 30, 0.05)
        print("the unpacked program shows the intro of the packaged demo cartridge")
        session.close(window)
        code = session.wait_exit()
        expect(code == 0, f"exit code {code} after closing the window")
        failed = False
    finally:
        session.stop()
        session.keep_or_remove(failed)


def version_strings(resource):
    """The StringFileInfo values of a VERSIONINFO resource, by name."""
    text = resource.decode("utf-16-le", "replace")
    values = {}
    for name in ("FileDescription", "FileVersion", "OriginalFilename", "ProductName", "ProductVersion",
                 "LegalCopyright"):
        found = re.search(name + r"\x00+([^\x00]*)\x00", text)
        if found:
            values[name] = found.group(1)
    return values


def check_zip(path):
    version = project_version()
    top = f"orvalis-pc-{version}-windows-x64"
    expect(os.path.basename(path) == f"{top}.zip", f"unexpected name {path}")
    with zipfile.ZipFile(path) as archive:
        names = sorted(n for n in archive.namelist() if not n.endswith("/"))
        wanted = sorted(f"{top}/{n}" for n in ("orvalis.exe", "orvalis-demo.gba", "README.txt", "LICENSE.txt",
                                                "THIRD-PARTY-NOTICES.txt"))
        expect(names == wanted, f"the zip holds {names}, expected {wanted}")
        work = tempfile.mkdtemp(prefix="orvalis-zip-")
        try:
            archive.extractall(work)
            exe = os.path.join(work, top, "orvalis.exe")
            listing = run("wrestool", "-l", exe).stdout
            for kind, what in (("--type=14", "icon"), ("--type=16", "version information"), ("--type=24", "manifest")):
                expect(kind in listing, f"wrestool finds no {what} in orvalis.exe")
            icon = subprocess.run(["wrestool", "-x", "-t14", exe], capture_output=True, check=True).stdout
            check_ico(icon)
            values = version_strings(subprocess.run(["wrestool", "-x", "--raw", "-t16", exe], capture_output=True,
                                                    check=True).stdout)
            print(f"version information: {values}")
            expect(values.get("FileVersion") == version and values.get("ProductVersion") == version,
                   f"the version strings are not {version}")
            name = product_words()["product_window_title"]
            expect(values.get("ProductName") == name and values.get("FileDescription") == name,
                   "wrong product name or description")
            expect(values.get("OriginalFilename") == "orvalis.exe", "wrong original file name")
            manifest = subprocess.run(["wrestool", "-x", "--raw", "-t24", exe], capture_output=True, check=True).stdout
            for needed in (b"Microsoft.Windows.Common-Controls", b'level="asInvoker"',
                           b"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", b"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                           # per-monitor DPI awareness, with the older values for Windows 8.1 and 7
                           b">PerMonitorV2, PerMonitor</dpiAwareness>", b">true/pm</dpiAware>"):
                expect(needed in manifest, f"the manifest lacks {needed.decode()}")
            with open(os.path.join(work, top, "README.txt"), "rb") as f:
                readme = f.read()
            expect(b"\r\n" in readme and version.encode() in readme, "README.txt is not a Windows text of this version")
        finally:
            shutil.rmtree(work, ignore_errors=True)


def check_ico(data):
    """An .ico whose entries are PNGs of every icon size, each as large as its entry says."""
    reserved, kind, count = struct.unpack("<HHH", data[:6])
    expect(reserved == 0 and kind == 1, "not an icon file")
    sizes = []
    for i in range(count):
        width, height, _, _, _, _, length, offset = struct.unpack("<BBBBHHII", data[6 + 16 * i:22 + 16 * i])
        side = width or 256
        expect(width == height, "an icon entry is not square")
        expect(png_size(data[offset:offset + 24]) == (side, side), f"the {side}px entry holds another size")
        sizes.append(side)
    expect(sorted(sizes) == ICON_SIZES, f"the icon holds sizes {sorted(sizes)}, expected {ICON_SIZES}")


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("deb", "zip"):
        print(__doc__)
        return 2
    try:
        (check_deb if sys.argv[1] == "deb" else check_zip)(os.path.abspath(sys.argv[2]))
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    print(f"{sys.argv[1]}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
