#!/usr/bin/python3
"""Runs the cross-built orvalis.exe under Wine in an X server and checks it the
way a user sees it: windows found by their titles, keys typed into the focused
window, pixels read back from the client area.

Needs, from the environment (scripts/test-windows sets them up once a run):
WINEPREFIX (a prepared prefix), DISPLAY (an X server without a window
manager) and ORVALIS_WINE_TMP (a scratch directory for this run).
"""

import argparse
import contextlib
import hashlib
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))

from xharness import (SCREEN_HEIGHT as HEIGHT, SCREEN_WIDTH as WIDTH, WORDS, Desk, Failure,  # noqa: E402
                      differing_pixels, expect, frame_list, picture_digest, read_state_log, run_capture,
                      wait_for, whole_intro_frames)

POLL = 0.1

DIALOG_TITLE = WORDS["product_chooser_title"]
WINDOW_TITLE = WORDS["product_window_title"]
NOTICE_TITLE = WORDS["product_no_image_caption"]
NOTICE_TEXT = WORDS["product_no_image_text"]
WRONG_SIZE_TITLE = WORDS["product_wrong_size_caption"]
ROM_SIZE = 8388608

_desk = None


def Screen():
    """The X display the Wine programs show their windows on (one per run)."""
    global _desk
    if _desk is None:
        _desk = Desk(os.environ["DISPLAY"])
    return _desk


def wait_window(title, timeout=30):
    return Screen().find_window(title, timeout)


def wait_window_gone(title, timeout=20):
    Screen().wait_window_gone(title, timeout)


def focus(window):
    Screen().focus(window)


def xdotool(*args, check=True):
    return Screen().xdotool(*args, check=check)


def press(window, key):
    Screen().press(window, key)


def hold(window, key, seconds=0.3):
    Screen().hold_key(window, key, seconds)


def type_path(window, unix_path, title=DIALOG_TITLE):
    """Types the path as a Z: path into the file dialog and accepts it; types
    it once more if the dialog is still open (keys typed while the dialog was
    still setting itself up can be lost)."""
    for attempt in range(2):
        focus(window)
        xdotool("key", "Home", "shift+End", "BackSpace")
        xdotool("type", "--delay", "20", "Z:" + os.path.abspath(unix_path).replace("/", "\\"))
        xdotool("key", "Return")
        try:
            wait_window_gone(title, 10)
            return
        except Failure:
            if attempt == 1:
                raise Failure(f'the dialog "{title}" did not accept {unix_path}; windows shown: '
                              f"{Screen().visible_titles()}")


def is_black(picture):
    return not any(picture)


class Program:
    """One run of a Windows program under Wine; message box texts come from
    Wine's msgbox trace on standard error."""

    def __init__(self, exe, *args, name="orvalis", overrides="", env=None):
        self.log_path = os.path.join(os.environ["ORVALIS_WINE_TMP"], f"{name}-{os.getpid()}.log")
        self.log = open(self.log_path, "wb")
        # A UTF-8 locale that every system has, so that Unix paths reach Wine unchanged.
        env = dict(os.environ, WINEDEBUG="-all,trace+msgbox", WINEDLLOVERRIDES="mscoree,mshtml=" + overrides,
                   LC_ALL="C.UTF-8", **(env or {}))
        self.process = subprocess.Popen(["wine", exe, *args], stdout=self.log, stderr=subprocess.STDOUT,
                                        env=env, start_new_session=True)

    def message_texts(self):
        with open(self.log_path, "rb") as f:
            text = f.read().decode("utf-8", "replace")
        found = re.findall(r'trace:msgbox:MSGBOX_OnInit L"((?:[^"\\]|\\.)*)"', text)
        return [decode_wine_string(s) for s in found]

    def wait_message(self, index, timeout=20):
        texts = wait_for(f"message box text #{index + 1}",
                         lambda: (lambda t: t if len(t) > index else None)(self.message_texts()), timeout)
        return texts[index]

    def wait_exit(self, timeout=30):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program did not exit within {timeout} s")

    def stop(self):
        if self.process.poll() is None:
            try:
                os.killpg(self.process.pid, 9)
            except ProcessLookupError:
                pass
            self.process.wait()
        self.log.close()

    def output(self):
        with open(self.log_path, "rb") as f:
            return f.read().decode("utf-8", "replace")


def decode_wine_string(s):
    escapes = {"n": "\n", "r": "\r", "t": "\t", '"': '"', "\\": "\\"}
    out, i = [], 0
    while i < len(s):
        if s[i] == "\\" and i + 1 < len(s):
            c = s[i + 1]
            if c in escapes:
                out.append(escapes[c])
                i += 2
                continue
            if c == "x":
                m = re.match(r"[0-9a-fA-F]{1,4}", s[i + 2:])
                if m:
                    out.append(chr(int(m.group(0), 16)))
                    i += 2 + len(m.group(0))
                    continue
        out.append(s[i])
        i += 1
    return "".join(out)


def expect_text(got, want, what):
    expect(got == want, f"{what}: expected {want!r}, got {got!r}")


def transient_for(screen, window_id):
    return screen.transient_for(window_id)


def dismiss_notice(program, screen, main_window, index):
    """The closing notice: over the main window, its two sentences; Return ends it."""
    box = wait_window(NOTICE_TITLE)
    expect_text(program.wait_message(index), NOTICE_TEXT, "the notice's text")
    owner = transient_for(screen, box)
    expect(owner == main_window, f"the notice should be owned by the main window {main_window:#x}, "
                                 f"its owner is {owner!r}")
    press(box, "Return")
    wait_window_gone(NOTICE_TITLE)


# ---------------------------------------------------------------------------
# Reference frames from the native headless capture of the same cartridge.

class Reference:
    """The headless program's run of the demo cartridge: a state-log row per
    presented frame (frame n is the picture of loop pass n, with a digest of
    its frame buffer) and the pictures of every frame that shows sprites."""

    def __init__(self, release_dir, frames=None):
        self.rom = os.path.join(release_dir, "orvalis-demo.gba")
        capture = os.path.join(release_dir, "orvalis-capture")
        expect(os.path.isfile(self.rom), f"no demo cartridge at {self.rom}")
        expect(os.access(capture, os.X_OK), f"no capture tool at {capture}")
        frames = frames or whole_intro_frames(capture, self.rom)
        directory = os.path.join(os.environ["ORVALIS_WINE_TMP"], "capture")
        os.makedirs(directory, exist_ok=True)
        log = os.path.join(directory, "state.csv")
        if not os.path.isfile(log):
            run_capture(capture, "--rom", self.rom, "--trust-image", "--frames", str(frames), "--state-log",
                        log + ".part")
            os.replace(log + ".part", log)
        self.rows = read_state_log(log)
        black = picture_digest(bytes(WIDTH * HEIGHT * 3))
        self.shown = [r["frame"] for r in self.rows if r["digest"] != black]
        expect(self.shown, "the capture shows no sprites at all")
        self.digests = {r["frame"]: r["digest"] for r in self.rows}

        raw_path = os.path.join(directory, "shown.rgb")
        if not os.path.isfile(raw_path):
            png_dir = os.path.join(directory, "png")
            os.makedirs(png_dir, exist_ok=True)
            run_capture(capture, "--rom", self.rom, "--trust-image", "--frames", str(self.shown[-1]),
                        "--png-dir", png_dir,
                        "--png-frames", frame_list(self.shown))
            pngs = sorted((f for f in os.listdir(png_dir) if f.endswith(".png")),
                          key=lambda f: int(re.findall(r"\d+", f)[-1]))
            expect(len(pngs) == len(self.shown), f"the capture wrote {len(pngs)} PNGs, "
                                                 f"expected {len(self.shown)}")
            raw = subprocess.run(["/usr/bin/convert", *[os.path.join(png_dir, p) for p in pngs],
                                  "-depth", "8", "rgb:-"], check=True, capture_output=True,
                                 timeout=300).stdout
            with open(raw_path + ".part", "wb") as f:
                f.write(raw)
            os.replace(raw_path + ".part", raw_path)
        with open(raw_path, "rb") as f:
            raw = f.read()
        size = WIDTH * HEIGHT * 3
        expect(len(raw) == len(self.shown) * size, "the capture's pictures have the wrong size")
        self.pictures = {n: raw[i * size:(i + 1) * size] for i, n in enumerate(self.shown)}
        # The pictures and the log describe the same frames.
        for n in (self.shown[0], self.shown[-1]):
            expect(picture_digest(self.pictures[n]) == self.digests[n],
                   f"the PNG of frame {n} does not match the state log's digest")

    def scene_frames(self, scene_index):
        """The frames of an intro scene that show sprites."""
        return [n for n in self.shown if self.rows[n - 1]["mode_stage"] == 2
                and self.rows[n - 1]["scene_index"] == scene_index]

    def shown_run(self, first):
        """How many frames from frame first on show sprites without a break."""
        shown = set(self.shown)
        n = first
        while n in shown:
            n += 1
        return n - first

    def match(self, picture, numbers):
        for n in numbers:
            if self.pictures[n] == picture:
                return n
        return None

    def closest(self, picture, numbers):
        best = min(numbers, key=lambda n: differing_pixels(self.pictures[n], picture))
        return best, differing_pixels(self.pictures[best], picture)

    def palette(self):
        colours = set()
        for picture in self.pictures.values():
            colours.update(picture[i:i + 3] for i in range(0, len(picture), 3))
        return colours


def wait_matching(screen, window, reference, numbers, timeout):
    """Polls screenshots until one equals a reference frame of the given set.
    A shot can be taken while a frame is being drawn, so several are tried."""
    deadline = time.monotonic() + timeout
    last = None
    while time.monotonic() < deadline:
        picture = screen.sampled(window)
        if not is_black(picture):
            n = reference.match(picture, numbers)
            if n:
                return n, picture
            last = picture
        time.sleep(POLL / 2)
    if last is None:
        raise Failure(f"the picture stayed black for {timeout} s")
    n, count = reference.closest(last, numbers)
    raise Failure(f"no screenshot equalled a reference frame; the last one differs from its closest, "
                  f"frame {n}, in {count} of {WIDTH * HEIGHT} pixels")


# ---------------------------------------------------------------------------
# The tests.

def test_sha1(args):
    block = bytes(i & 0xFF for i in range(0x800000))
    program = Program(os.path.join(args.windows_dir, "orvalis-sha1-test.exe"),
                      hashlib.sha1(block).hexdigest(), name="sha1")
    try:
        code = program.wait_exit(60)
    finally:
        program.stop()
    print(program.output())
    expect(code == 0, f"orvalis-sha1-test.exe exited with {code}")


def start_main(args, screen):
    program = Program(os.path.join(args.windows_dir, "orvalis.exe"))
    main_window = wait_window(WINDOW_TITLE)
    dialog = wait_window(DIALOG_TITLE)
    return program, main_window, dialog


def test_cancel(args):
    screen = Screen()
    program, main_window, dialog = start_main(args, screen)
    try:
        press(dialog, "Escape")
        wait_window_gone(DIALOG_TITLE)
        dismiss_notice(program, screen, main_window, 0)
        code = program.wait_exit()
        expect(code == 0, f"exit code {code}, expected 0")
        expect(len(program.message_texts()) == 1, f"expected one message box, got {program.message_texts()}")
    finally:
        program.stop()


def test_wrong_size(args):
    path = os.path.join(os.environ["ORVALIS_WINE_TMP"], "one-byte-too-long.gba")
    with open(path, "wb") as f:
        f.truncate(ROM_SIZE + 1)
    screen = Screen()
    program, main_window, dialog = start_main(args, screen)
    try:
        type_path(dialog, path)
        box = wait_window(WRONG_SIZE_TITLE)
        expect_text(program.wait_message(0), WORDS["product_wrong_size_text"].replace("%lld", str(ROM_SIZE + 1))
                    .replace("%u", str(ROM_SIZE)), "the loader's message")
        expect(transient_for(screen, box) is None, "the loader's message should have no owner")
        press(box, "Return")
        wait_window_gone(WRONG_SIZE_TITLE)
        dismiss_notice(program, screen, main_window, 1)
        code = program.wait_exit()
        expect(code == 0, f"exit code {code}, expected 0")
    finally:
        program.stop()


def test_unicode_path(args):
    """A path outside the ANSI code page (Japanese, under the C.UTF-8 locale):
    under the program's manifest the ANSI code page is UTF-8, and the path
    converted to it, as the ANSI file dialog hands it to the program, opens.
    (Wine's dialog takes no Japanese typed by xdotool, so a probe carrying
    the same manifest takes the path.) orvalis.exe carries that manifest."""
    folder = os.path.join(os.environ["ORVALIS_WINE_TMP"], "\u65e5\u672c\u8a9e")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "\u30d5\u30a1\u30a4\u30eb.gba")
    with open(path, "wb") as f:
        f.write(b"\x01")
    program = Program(os.path.join(args.windows_dir, "orvalis-code-page-probe.exe"),
                      "Z:" + path.replace("/", "\\"), name="code-page")
    try:
        code = program.wait_exit()
        out = program.output()
        expect(code == 0 and "ACP 65001" in out and "fopen ok" in out,
               f"the probe printed {out!r} and exited with {code}; expected UTF-8 and an opened file")
    finally:
        program.stop()
    manifests = []
    for exe in ("orvalis.exe", "orvalis-code-page-probe.exe"):
        manifests.append(subprocess.run(["wrestool", "-x", "--raw", "-t24", os.path.join(args.windows_dir, exe)],
                                        capture_output=True, check=True).stdout)
    expect(b"<activeCodePage" in manifests[0] and b">UTF-8</activeCodePage>" in manifests[0],
           "orvalis.exe's manifest does not ask for the UTF-8 code page")
    expect(manifests[0] == manifests[1], "the probe's manifest differs from orvalis.exe's")


def start_demo(args, screen, reference):
    program, main_window, dialog = start_main(args, screen)
    type_path(dialog, reference.rom)
    return program, main_window


def close_and_expect_exit(program, screen, main_window):
    screen.close(main_window)
    code = program.wait_exit()
    expect(code == 0, f"exit code {code} after closing the window, expected 0")
    expect(program.message_texts() == [], f"unexpected message boxes: {program.message_texts()}")


def expect_stays_black(screen, window, seconds=1.5):
    """After a skip the picture stays black: the intro is over."""
    stop = time.monotonic() + seconds
    while time.monotonic() < stop:
        expect(is_black(screen.sampled(window)), "the picture showed sprites again after the skip")
        time.sleep(POLL)


def wait_sprites_after_black(screen, window, what, timeout):
    """Polls until sprites show; returns when the picture was last seen black
    before that, since they cannot have appeared earlier."""
    last_black = time.monotonic()
    deadline = last_black + timeout
    while True:
        taken = time.monotonic()
        if not is_black(screen.sampled(window)):
            return last_black
        last_black = taken
        expect(taken < deadline, f"{what} did not appear within {timeout} s")
        time.sleep(POLL / 4)


def test_play(args):
    reference = Reference(args.release_dir, args.frames)
    scene = reference.scene_frames(0)
    expect(scene, "the capture's first text scene shows nothing")
    later = [n for n in reference.shown if n > scene[-1]]
    expect(later and later[0] > scene[-1] + 1, "the capture shows no black gap after the first text scene")
    screen = Screen()
    program, main_window = start_demo(args, screen, reference)
    try:
        # The closed dialog's pixels linger until the window repaints; the
        # boot frames are black.
        wait_for("the black picture of the boot", lambda: is_black(screen.sampled(main_window)), 30)
        wait_sprites_after_black(screen, main_window, "the intro's text", 30)
        n, _ = wait_matching(screen, main_window, reference, scene, 5)
        print(f"screenshot equals headless frame {n} (first text scene shows frames {scene[0]}-{scene[-1]})")

        # Enter skips the intro: the picture turns black. It is pressed as
        # soon as the next scene's sprites show (after the black scenes
        # between). Every frame lasts at least 15 ms (a 16 ms sleep), so
        # black seen before the first black frame the intro would show by
        # itself proves the key was read.
        wait_for("the end of the first text scene", lambda: is_black(screen.sampled(main_window)), 10)
        last_black = wait_sprites_after_black(screen, main_window, "the next scene's sprites", 15)
        natural_end = last_black + reference.shown_run(later[0]) * 0.015
        hold(main_window, "Return")
        wait_for("the picture to turn black after Enter", lambda: is_black(screen.sampled(main_window)), 5)
        seen = time.monotonic()
        expect(seen < natural_end, f"the picture turned black {seen - natural_end:.2f} s after the scene "
                                   f"would have ended by itself; Enter was not seen")
        print(f"black {seen - last_black:.2f} s after the scene showed; it would show sprites for "
              f"{natural_end - last_black:.2f} s or more by itself")
        # ... and it stays black: the intro is over.
        expect_stays_black(screen, main_window)
        close_and_expect_exit(program, screen, main_window)
    finally:
        program.stop()


def test_zip_play(args):
    """The release zip as a Windows player gets it: unpacked, its program
    plays its own demo cartridge (a picture equal to a headless frame) and
    exits 0 when the window is closed."""
    import zipfile
    expect(args.zip and os.path.isfile(args.zip), f"no zip at {args.zip}")
    unpacked = os.path.join(os.environ["ORVALIS_WINE_TMP"], "zip")
    with zipfile.ZipFile(args.zip) as archive:
        archive.extractall(unpacked)
    (top,) = os.listdir(unpacked)
    folder = os.path.join(unpacked, top)
    reference = Reference(args.release_dir, args.frames)
    screen = Screen()
    program = Program(os.path.join(folder, "orvalis.exe"))
    try:
        main_window = wait_window(WINDOW_TITLE)
        type_path(wait_window(DIALOG_TITLE), os.path.join(folder, "orvalis-demo.gba"))
        n, _ = wait_matching(screen, main_window, reference, reference.shown, 30)
        print(f"the unpacked program shows headless frame {n} of the unpacked demo cartridge")
        close_and_expect_exit(program, screen, main_window)
    finally:
        program.stop()


def resize(screen, window, width, height):
    xdotool("windowsize", str(window), str(width), str(height))
    wait_for(f"the client area to become {width} x {height}", lambda: screen.size(window) == (width, height), 10)


def test_window_size(args):
    reference = Reference(args.release_dir, args.frames)
    shown = reference.shown
    screen = Screen()
    program, main_window = None, None
    try:
        program = Program(os.path.join(args.windows_dir, "orvalis.exe"))
        main_window = wait_window(WINDOW_TITLE)
        size = screen.size(main_window)
        start = WORDS["product_client_width"], WORDS["product_client_height"]
        expect(size == start, f"the client area starts at {size[0]} x {size[1]}, expected {start[0]} x {start[1]}")
        type_path(wait_window(DIALOG_TITLE), reference.rom)
        n, _ = wait_matching(screen, main_window, reference, shown, 30)
        print(f"at {start[0]} x {start[1]} the picture equals headless frame {n}")
        # Wide and tall shapes; at two or more screen pixels per picture pixel
        # the centre of each cell shows exactly its picture pixel.
        for width, height in ((720, 330), (500, 700)):
            resize(screen, main_window, width, height)
            n, _ = wait_matching(screen, main_window, reference, shown, 10)
            print(f"at {width} x {height} the picture fills the client area and equals headless frame {n}")
        # Shrunk below the picture, pixels are dropped, never blended: every
        # colour on screen is one the picture has.
        resize(screen, main_window, 120, 80)
        palette = reference.palette()
        picture = wait_for("sprites in the shrunk window", lambda: (lambda p: p if not is_black(p) else None)(
            screen.sampled(main_window, 120, 80)), 10)
        foreign = {picture[i:i + 3] for i in range(0, len(picture), 3)} - palette
        if foreign:
            raise Failure(f"the shrunk picture has {len(foreign)} colours the picture never shows, "
                          f"e.g. {sorted(foreign)[0].hex()}")
        print("at 120 x 80 the picture keeps its colours")
        close_and_expect_exit(program, screen, main_window)
    finally:
        if program:
            program.stop()


# (xdotool key names, KEYINPUT while they are held): each of the ten keys
# alone, and held together in the combinations the game looks for.
KEY_CASES = [
    (["x"], 0x03FE), (["z"], 0x03FD), (["BackSpace"], 0x03FB), (["Return"], 0x03F7),
    (["Right"], 0x03EF), (["Left"], 0x03DF), (["Up"], 0x03BF), (["Down"], 0x037F),
    (["s"], 0x02FF), (["a"], 0x01FF),
    (["a", "s"], 0x00FF),                            # L and R
    (["x", "z", "BackSpace", "Return"], 0x03F0),     # the soft-reset combination
    (["Left", "Right"], 0x03CF),                     # opposite directions both held
    (["q"], 0x03FF),                                 # an unmapped key
]


def test_keys(args):
    program = Program(os.path.join(args.windows_dir, "orvalis-keys-probe.exe"), name="keys")
    screen = Screen()
    try:
        window = wait_window(WINDOW_TITLE)

        def keyinput():
            values = re.findall(r"KEYINPUT ([0-9A-F]{4})", program.output())
            return int(values[-1], 16) if values else None

        wait_for("the first keyboard poll", lambda: keyinput() == 0x03FF, 10)
        for keys, expected in KEY_CASES:
            focus(window)
            xdotool("keydown", *keys)
            try:
                if expected == 0x03FF:
                    time.sleep(0.3)  # nothing may change while it is held
                    got = keyinput()
                else:
                    try:
                        got = wait_for(f"KEYINPUT {expected:04X}", lambda: keyinput() == expected and expected, 3)
                    except Failure:
                        got = keyinput()
            finally:
                xdotool("keyup", *keys)
            shown = "nothing" if got is None else f"{got:04X}"
            expect(got == expected, f"holding {'+'.join(keys)}: KEYINPUT {shown}, expected {expected:04X}")
            wait_for("all keys released", lambda: keyinput() == 0x03FF, 3)
        screen.close(window)
        code = program.wait_exit()
        expect(code == 0, f"the probe exited with {code}")
    finally:
        program.stop()


# ---------------------------------------------------------------------------
# Game controllers: a stand-in XInput that reports what the test writes.

XINPUT = {"up": 0x0001, "down": 0x0002, "left": 0x0004, "right": 0x0008, "start": 0x0010, "back": 0x0020,
          "left_thumb": 0x0040, "right_thumb": 0x0080, "left_shoulder": 0x0100, "right_shoulder": 0x0200,
          "a": 0x1000, "b": 0x2000, "x": 0x4000, "y": 0x8000}

# (slot 0's XInput state: buttons, triggers, left stick x and y (up positive),
# right stick; KEYINPUT while it is reported)
PAD_CASES = [
    (("a",), 0, 0, 0, 0, 0, 0, 0x03FE), (("b",), 0, 0, 0, 0, 0, 0, 0x03FD),
    (("back",), 0, 0, 0, 0, 0, 0, 0x03FB), (("start",), 0, 0, 0, 0, 0, 0, 0x03F7),
    (("right",), 0, 0, 0, 0, 0, 0, 0x03EF), (("left",), 0, 0, 0, 0, 0, 0, 0x03DF),
    (("up",), 0, 0, 0, 0, 0, 0, 0x03BF), (("down",), 0, 0, 0, 0, 0, 0, 0x037F),
    (("right_shoulder",), 0, 0, 0, 0, 0, 0, 0x02FF), (("left_shoulder",), 0, 0, 0, 0, 0, 0, 0x01FF),
    ((), 255, 0, 0, 0, 0, 0, 0x01FF), ((), 0, 255, 0, 0, 0, 0, 0x02FF),            # the triggers
    ((), 0, 0, 32767, 0, 0, 0, 0x03EF), ((), 0, 0, -32768, 0, 0, 0, 0x03DF),       # the left stick
    ((), 0, 0, 0, 32767, 0, 0, 0x03BF), ((), 0, 0, 0, -32768, 0, 0, 0x037F),
    ((), 0, 0, 30000, 30000, 0, 0, 0x03AF),                                        # up and right
    ((), 100, 100, 12000, -12000, 0, 0, 0x03FF),                                   # the dead half
    (("x", "y", "left_thumb", "right_thumb"), 0, 0, 0, 0, 32767, 32767, 0x03FF),  # what does nothing
]


class StandInXInput:
    """The stand-in DLL as the prefix's xinput1_4 while the test runs (the
    prefix's own file comes back afterwards), and the file it reads."""

    def __init__(self, args):
        self.dll = os.path.join(os.environ["WINEPREFIX"], "drive_c", "windows", "system32", "xinput1_4.dll")
        self.saved = self.dll + ".orvalis-saved"
        self.state = os.path.join(os.environ["ORVALIS_WINE_TMP"], "xinput-state.txt")
        self.calls = os.path.join(os.environ["ORVALIS_WINE_TMP"], "xinput-calls.txt")
        for path in (self.state, self.calls):
            if os.path.exists(path):
                os.remove(path)
        if os.path.exists(self.dll):
            os.replace(self.dll, self.saved)
        shutil.copyfile(os.path.join(args.windows_dir, "xinput-stand-in", "xinput1_4.dll"), self.dll)
        self.set([])

    def env(self):
        windows = lambda p: "Z:" + p.replace("/", "\\")  # noqa: E731
        return {"ORVALIS_XINPUT_STATE": windows(self.state), "ORVALIS_XINPUT_CALLS": windows(self.calls)}

    def set(self, pads):
        """pads: up to four (buttons, lt, rt, lx, ly, rx, ry), None for an empty slot."""
        lines = []
        for slot in range(4):
            pad = pads[slot] if slot < len(pads) else None
            if pad is None:
                lines.append("0 0 0 0 0 0 0 0")
            else:
                buttons, *rest = pad
                mask = 0
                for name in buttons:
                    mask |= XINPUT[name]
                lines.append(" ".join(["1", f"{mask:x}", *map(str, rest)]))
        with open(self.state + ".part", "w") as f:
            f.write("\n".join(lines) + "\n")
        os.replace(self.state + ".part", self.state)

    def call_counts(self):
        try:
            with open(self.calls) as f:
                return [int(n) for n in f.read().split()]
        except (OSError, ValueError):
            return [0, 0, 0, 0]

    def remove(self):
        if os.path.exists(self.saved):
            os.replace(self.saved, self.dll)
        elif os.path.exists(self.dll):
            os.remove(self.dll)


@contextlib.contextmanager
def key_held(window, key):
    """The key held down in the focused window for the length of the block."""
    focus(window)
    xdotool("keydown", key)
    try:
        yield
    finally:
        xdotool("keyup", key)


def probe_keyinput(program):
    values = re.findall(r"KEYINPUT ([0-9A-F]{4})", program.output())
    return int(values[-1], 16) if values else None


def expect_probe(program, expected, what):
    if expected == 0x03FF:
        time.sleep(0.3)  # nothing may change
    else:
        try:
            wait_for(f"KEYINPUT {expected:04X}", lambda: probe_keyinput(program) == expected, 3)
        except Failure:
            pass
    got = probe_keyinput(program)
    shown = "nothing" if got is None else f"{got:04X}"
    expect(got == expected, f"{what}: KEYINPUT {shown}, expected {expected:04X}")


def test_pad(args):
    """Each mapped pad input through XInput, read back through the key probe;
    a second pad and a key together; a pad disconnected while held; and how
    often the empty slots are asked."""
    xinput = StandInXInput(args)
    program = Program(os.path.join(args.windows_dir, "orvalis-keys-probe.exe"), name="pad",
                      overrides=";xinput1_4=n", env=xinput.env())
    try:
        window = wait_window(WINDOW_TITLE)
        wait_for("the first keyboard poll", lambda: probe_keyinput(program) == 0x03FF, 10)
        for *pad, expected in PAD_CASES:
            xinput.set([tuple(pad)])
            expect_probe(program, expected, f"pad {pad}")
            xinput.set([((), 0, 0, 0, 0, 0, 0)])
            expect_probe(program, 0x03FF, f"pad {pad} released")

        # Slot 0 connected, 1-3 empty: the empty ones are asked about once a second.
        before = xinput.call_counts()
        time.sleep(3)
        after = xinput.call_counts()
        asked = [b - a for a, b in zip(before, after)]
        print(f"XInputGetState calls in 3 s, slots 0-3: {asked}")
        expect(asked[0] >= 60, f"the connected slot was read {asked[0]} times in 3 s, not once a frame")
        expect(all(n <= 5 for n in asked[1:]), f"empty slots were asked {asked[1:]} times in 3 s")

        # Two pads and a key together; then the pad pulled out while held.
        xinput.set([(("a",), 0, 0, 0, 0, 0, 0), None, (("start",), 0, 0, 0, 0, 0, 0)])
        with key_held(window, "z"):
            expect_probe(program, 0x03F4, "south on pad 0, Start on pad 2 and the key z")
        expect_probe(program, 0x03F6, "the two pads")
        xinput.set([])
        expect_probe(program, 0x03FF, "both pads disconnected while held")
        Screen().close(window)
        code = program.wait_exit()
        expect(code == 0, f"the probe exited with {code}")
    finally:
        program.stop()
        end_wine(True)
        xinput.remove()


def test_pad_cost(args):
    """What reading the buttons costs a frame with XInput and four empty slots
    (printed; a figure, not a limit)."""
    xinput = StandInXInput(args)
    program = Program(os.path.join(args.windows_dir, "orvalis-keys-probe.exe"), "--measure", name="pad-cost",
                      overrides=";xinput1_4=n", env=xinput.env())
    try:
        window = wait_window(WINDOW_TITLE)
        line = wait_for("the measurement", lambda: re.search(r"buttons read in .*", program.output()), 20)
        print(line.group(0) + " with XInput and four empty slots")
        calls = xinput.call_counts()
        expect(sum(calls) <= 8, f"2001 reads asked the empty slots {calls} times")
        Screen().close(window)
        expect(program.wait_exit() == 0, "the probe did not exit with 0")
    finally:
        program.stop()
        end_wine(True)
        xinput.remove()


def test_no_xinput(args):
    """Without any XInput DLL the keys play as before."""
    program = Program(os.path.join(args.windows_dir, "orvalis-keys-probe.exe"), name="no-xinput",
                      overrides=";xinput1_4,xinput1_3,xinput9_1_0=d")
    try:
        window = wait_window(WINDOW_TITLE)
        wait_for("the first keyboard poll", lambda: probe_keyinput(program) == 0x03FF, 10)
        with key_held(window, "x"):
            expect_probe(program, 0x03FE, "the key x without XInput")
        Screen().close(window)
        expect(program.wait_exit() == 0, "the probe did not exit with 0")
    finally:
        program.stop()


def test_pad_skip(args):
    """The pad's Start skips the intro of the demo cartridge: black at once."""
    reference = Reference(args.release_dir, args.frames)
    scene = reference.scene_frames(0)
    xinput = StandInXInput(args)
    screen = Screen()
    program = Program(os.path.join(args.windows_dir, "orvalis.exe"), overrides=";xinput1_4=n", env=xinput.env())
    try:
        main_window = wait_window(WINDOW_TITLE)
        type_path(wait_window(DIALOG_TITLE), reference.rom)
        n, _ = wait_matching(screen, main_window, reference, scene, 30)
        xinput.set([(("start",), 0, 0, 0, 0, 0, 0)])
        time.sleep(0.3)
        xinput.set([])
        wait_for("the picture to turn black after the pad's Start",
                 lambda: is_black(screen.sampled(main_window)), 2)
        print(f"the pad's Start, pressed on headless frame {n}, turned the picture black")
        expect_stays_black(screen, main_window)
        close_and_expect_exit(program, screen, main_window)
    finally:
        program.stop()
        end_wine(True)
        xinput.remove()


# ---------------------------------------------------------------------------
# Display scaling.

def set_log_pixels(dpi):
    subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                    "/d", str(dpi), "/f"], capture_output=True, check=True, timeout=60,
                   env=dict(os.environ, WINEDEBUG="-all"))
    end_wine(True)


def uniform_blocks(shot, size):
    """1 when the picture is made of size x size blocks of one colour each."""
    row_bytes = shot.width * 3
    for by in range(0, shot.height, size):
        for bx in range(0, shot.width, size):
            first = shot.rgb[by * row_bytes + bx * 3:by * row_bytes + bx * 3 + 3]
            for y in range(by, by + size):
                row = shot.rgb[y * row_bytes + bx * 3:y * row_bytes + (bx + size) * 3]
                if row != first * size:
                    return False
    return True


def test_dpi(args):
    """At 150 % and 200 % display scaling the client area is 960 x 640
    logical pixels, 1440 x 960 and 1920 x 1280 device pixels, and every game
    pixel a uniform 6 x 6 or 8 x 8 block of the headless frame's colour."""
    reference = Reference(args.release_dir, args.frames)
    screen = Screen()
    shots = args.shots or os.environ.get("ORVALIS_WINE_SHOTS") or os.environ["ORVALIS_WINE_TMP"]
    os.makedirs(shots, exist_ok=True)
    try:
        for dpi in (144, 192):
            set_log_pixels(dpi)
            scale = 4 * dpi // 96  # device pixels per game pixel: 4 at 96 DPI
            program = Program(os.path.join(args.windows_dir, "orvalis.exe"), name=f"dpi-{dpi}")
            try:
                main_window = wait_window(WINDOW_TITLE)
                size = screen.size(main_window)
                want = (WORDS["product_client_width"] * dpi // 96, WORDS["product_client_height"] * dpi // 96)
                expect(size == want, f"at {dpi} DPI the client area is {size[0]} x {size[1]}, "
                                     f"expected {want[0]} x {want[1]}")
                type_path(wait_window(DIALOG_TITLE), reference.rom)
                # The second half of the first text scene: most of its text is shown.
                scene = reference.scene_frames(0)
                text = scene[len(scene) // 2:]
                n, _ = wait_matching(screen, main_window, reference, text, 30)

                def crisp():
                    shot = screen.screenshot(main_window)
                    if shot.is_black() or not uniform_blocks(shot, scale) or \
                            reference.match(shot.sample(WIDTH, HEIGHT).rgb, text) is None:
                        return None
                    return shot
                shot = wait_for(f"a screenshot of {scale} x {scale} blocks equal to a headless frame", crisp, 10)
                path = os.path.join(shots, f"wine-dpi-{dpi}.png")
                shot.save_png(path)
                print(f"at {dpi} DPI: client area {size[0]} x {size[1]}, every game pixel a {scale} x {scale} "
                      f"block (headless frame {n} seen); screenshot {path}")
                close_and_expect_exit(program, screen, main_window)
            finally:
                program.stop()
    finally:
        set_log_pixels(96)


TESTS = {
    "sha1": test_sha1,
    "keys": test_keys,
    "cancel": test_cancel,
    "wrong_size": test_wrong_size,
    "play": test_play,
    "window_size": test_window_size,
    "unicode_path": test_unicode_path,
    "zip_play": test_zip_play,
    "pad": test_pad,
    "no_xinput": test_no_xinput,
    "pad_cost": test_pad_cost,
    "pad_skip": test_pad_skip,
    "dpi": test_dpi,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("test", choices=sorted(TESTS))
    parser.add_argument("--windows-dir", required=True, help="the windows build (orvalis.exe)")
    parser.add_argument("--release-dir", required=True, help="the native release build (capture, demo)")
    parser.add_argument("--frames", type=int, help="headless frames to run (default: the whole intro, as the "
                                                    "capture tool measures it)")
    parser.add_argument("--zip", help="the release zip (zip_play)")
    parser.add_argument("--shots", help="where to keep screenshots (dpi)")
    args = parser.parse_args()
    for name in ("WINEPREFIX", "DISPLAY", "ORVALIS_WINE_TMP"):
        if not os.environ.get(name):
            print(f"{name} is not set; run the Wine tests with scripts/test-windows", file=sys.stderr)
            return 2
    passed = True
    try:
        TESTS[args.test](args)
    except Failure as failure:
        passed = False
        print(f"FAILED {args.test}: {failure}", file=sys.stderr)
        return 1
    except Exception:
        passed = False
        raise
    finally:
        # Let this prefix's Wine processes end before the next test starts
        # (ended at once after a failure, which may leave windows open).
        end_wine(passed)
    print(f"passed {args.test}")
    return 0


def end_wine(wait):
    if wait:
        try:
            subprocess.run(["wineserver", "-w"], timeout=60, check=False)
            return
        except subprocess.TimeoutExpired:
            pass
    subprocess.run(["wineserver", "-k"], timeout=60, check=False)


if __name__ == "__main__":
    sys.exit(main())
