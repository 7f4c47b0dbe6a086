"""What the tests of real windows under X share: the SDL2 program's GUI tests
and the Windows program's tests under Wine.

- an X server of a test's own (Xvfb), and waiting for things to happen;
- a Desk on a display: windows found by exact title, focus, keys through
  xdotool, closing a window as a window manager does, screenshots;
- pictures: sampling back to the handheld's 240 x 160, the frame digest the
  capture tool logs (FNV-1a 64 of the frame buffer), the capture's state log
  read by column name, and the intro's length as the capture tool reports it;
- the product's words (window titles, message texts), read from the header
  the program takes them from.
"""

import csv
import ctypes
import os
import re
import select
import signal
import subprocess
import time

from Xlib import X, Xatom, display as xdisplay, error as xerror, protocol

CONVERT = "/usr/bin/convert"
SCREEN_WIDTH, SCREEN_HEIGHT = 240, 160
# Frames run past the end of the intro when a test wants the whole intro.
AFTER_INTRO = 20

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


class Failure(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(what, probe, timeout, interval=0.1):
    """Polls probe() until it returns something true; raises after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


def die_with_parent():
    """Runs in each child: it gets SIGTERM when the test process dies, so that
    a test killed by its timeout leaves no X server or program behind (Linux)."""
    try:
        ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


def shquote(text):
    return "'" + text.replace("'", "'\\''") + "'"


# ---------------------------------------------------------------------------
# The product's words.

def product_words(header=os.path.join(ROOT, "platform", "product.h")):
    """{name: value} of every `constexpr char name[] = "...";` (adjacent
    literals joined, C escapes decoded) and `constexpr int name = N;`."""
    with open(header, encoding="utf-8") as f:
        text = f.read()
    words = {}
    for name, literals in re.findall(r'constexpr char (\w+)\[\] =((?:\s*"(?:[^"\\]|\\.)*")+)\s*;', text):
        joined = "".join(re.findall(r'"((?:[^"\\]|\\.)*)"', literals))
        words[name] = joined.encode("latin-1").decode("unicode_escape")
    for name, value in re.findall(r"constexpr int (\w+) = (\d+);", text):
        words[name] = int(value)
    return words


WORDS = product_words()


# ---------------------------------------------------------------------------
# The X server.

def start_xvfb(screen="1280x800x24"):
    """A private Xvfb: (process, display name). Xvfb picks a free display
    itself and reports its number on a pipe, so tests side by side never race
    for one."""
    read_end, write_end = os.pipe()
    process = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten", "tcp"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write_end,),
        preexec_fn=die_with_parent)
    os.close(write_end)
    reported = b""
    with os.fdopen(read_end, "rb") as pipe:
        ready, _, _ = select.select([pipe], [], [], 15)
        if ready:
            reported = pipe.readline()
    if not reported.strip().isdigit():
        process.kill()
        raise Failure("Xvfb did not report a display")
    number = int(reported)
    wait_for(f"the socket of display :{number}", lambda: os.path.exists(f"/tmp/.X11-unix/X{number}"), 10)
    return process, f":{number}"


def stop_process(process, timeout=10):
    if process is None or process.poll() is not None:
        return
    process.send_signal(signal.SIGTERM)
    try:
        process.wait(timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


class Desk:
    """Windows on one X display, acted on as a user (and a window manager)
    would: by title, with real key presses, read back as pictures."""

    def __init__(self, display_name):
        self.display_name = display_name
        self.dpy = wait_for("a connection to the X server", self._connect, 10)

    def _connect(self):
        try:
            return xdisplay.Display(self.display_name)
        except Exception:
            return None

    def env(self):
        return dict(os.environ, DISPLAY=self.display_name)

    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *args], env=self.env(), capture_output=True, text=True, timeout=30)
        if check and result.returncode != 0:
            raise Failure(f"xdotool {' '.join(args)} failed: {result.stderr.strip()}")
        return result.stdout

    # ---- windows
    def windows_titled(self, title):
        """Every window whose title is exactly `title`, from _NET_WM_NAME (UTF-8,
        as SDL's message boxes set it) or WM_NAME."""
        net_name = self.dpy.intern_atom("_NET_WM_NAME")
        utf8 = self.dpy.intern_atom("UTF8_STRING")
        found, pending = [], [self.dpy.screen().root]
        while pending:
            w = pending.pop()
            try:
                names = []
                prop = w.get_full_property(net_name, utf8)
                if prop is not None:
                    names.append(bytes(prop.value).decode("utf-8", "replace"))
                prop = w.get_full_property(Xatom.WM_NAME, X.AnyPropertyType)
                if prop is not None:
                    value = prop.value
                    names.append(value.decode("utf-8", "replace") if isinstance(value, bytes) else str(value))
                if title in names:
                    found.append(w.id)
                pending.extend(w.query_tree().children)
            except xerror.XError:
                continue  # the window went away while we looked
        return found

    def visible_window(self, title):
        return next((w for w in self.windows_titled(title) if self.viewable(w)), None)

    def find_window(self, title, timeout=15, alive=None):
        """Waits for a shown window titled exactly `title`; alive(what), when
        given, fails early when the program under test has ended."""
        def probe():
            if alive:
                alive(f"window {title!r}")
            return self.visible_window(title)
        return wait_for(f"a window titled {title!r}", probe, timeout, 0.25)

    def wait_window_gone(self, title, timeout=20):
        wait_for(f"the window {title!r} to close", lambda: self.visible_window(title) is None, timeout)

    def visible_titles(self):
        out = self.xdotool("search", "--onlyvisible", "--name", ".", check=False)
        return [self.xdotool("getwindowname", wid, check=False).strip() for wid in out.split()]

    def viewable(self, window):
        try:
            return self.dpy.create_resource_object("window", window).get_attributes().map_state == X.IsViewable
        except Exception:
            return False

    def window_gone(self, window):
        return not self.viewable(window)

    def transient_for(self, window):
        owner = self.dpy.create_resource_object("window", window).get_wm_transient_for()
        return owner.id if owner else None

    def geometry(self, window):
        """(x, y, width, height) of the window on the screen."""
        w = self.dpy.create_resource_object("window", window)
        g = w.get_geometry()
        at = w.translate_coords(self.dpy.screen().root, 0, 0)
        return -at.x, -at.y, g.width, g.height

    def size(self, window):
        g = self.dpy.create_resource_object("window", window).get_geometry()
        return g.width, g.height

    def resize(self, window, width, height):
        self.xdotool("windowsize", str(window), str(width), str(height))

    def close(self, window):
        """Asks the window to close as a window manager's close button does."""
        w = self.dpy.create_resource_object("window", window)
        protocols = self.dpy.intern_atom("WM_PROTOCOLS")
        delete = self.dpy.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(window=w, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        w.send_event(event, event_mask=X.NoEventMask)
        self.dpy.flush()

    def cover_briefly(self, x, y, width, height, seconds=0.5):
        """Maps a plain white window over the rectangle for a moment, then
        removes it: whatever lies below gets an exposure to repaint."""
        screen = self.dpy.screen()
        cover = screen.root.create_window(x, y, width, height, 0, screen.root_depth,
                                          background_pixel=screen.white_pixel, override_redirect=True)
        cover.map()
        self.dpy.sync()
        time.sleep(seconds)
        cover.destroy()
        self.dpy.sync()

    # ---- keys
    def focus(self, window):
        self.xdotool("windowfocus", "--sync", str(window))

    def keys(self, *args):
        self.xdotool(*args)

    def press(self, window, key):
        self.focus(window)
        self.xdotool("key", key)

    def hold_key(self, window, key, seconds=0.3):
        """A real key press held for several frames (a synthetic event is missed)."""
        self.focus(window)
        self.xdotool("keydown", key)
        time.sleep(seconds)  # the length of the press, not a wait for the program
        self.xdotool("keyup", key)

    def dismiss_box(self, title, timeout=15, alive=None):
        """Finds a message box by its title and presses Return in it."""
        box = self.find_window(title, timeout, alive)
        self.press(box, "Return")
        wait_for(f"the box {title!r} to close", lambda: self.window_gone(box), 10)

    # ---- pictures
    def screenshot(self, window, save_as=None):
        """The window's pixels as an Image (read with XGetImage); kept as a PNG
        at save_as when given."""
        width, height = self.size(window)
        image = self.dpy.create_resource_object("window", window).get_image(
            0, 0, width, height, X.ZPixmap, 0xFFFFFFFF)
        data = image.data
        if isinstance(data, str):
            data = data.encode("latin-1")
        stride = len(data) // height
        rgb = bytearray(width * height * 3)
        for y in range(height):
            row = data[y * stride:y * stride + width * 4]  # 32-bit pixels, blue in the lowest byte
            out = rgb[y * width * 3:(y + 1) * width * 3]
            out[0::3] = row[2::4]
            out[1::3] = row[1::4]
            out[2::3] = row[0::4]
            rgb[y * width * 3:(y + 1) * width * 3] = out
        shot = Image(width, height, bytes(rgb))
        if save_as:
            shot.save_png(save_as)
        return shot

    def sampled(self, window, columns=SCREEN_WIDTH, rows=SCREEN_HEIGHT):
        """The client area sampled at the centre of each of columns x rows
        cells, as RGB bytes: by default the source picture when it is
        stretched over the whole area."""
        return self.screenshot(window).sample(columns, rows).rgb

    def close_connection(self):
        try:
            self.dpy.close()
        except Exception:
            pass  # the server may already be gone


class Image:
    """8-bit RGB pixels, row by row."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    @staticmethod
    def from_png(path):
        rgb = subprocess.run([CONVERT, path, "-depth", "8", "rgb:-"], capture_output=True, check=True,
                             timeout=60).stdout
        size = subprocess.run(["/usr/bin/identify", "-format", "%w %h", path], capture_output=True, check=True,
                              text=True, timeout=60).stdout.split()
        return Image(int(size[0]), int(size[1]), rgb)

    def save_png(self, path):
        subprocess.run([CONVERT, "-size", f"{self.width}x{self.height}", "-depth", "8", "rgb:-", "png:" + path],
                       input=self.rgb, check=True, timeout=60)

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def sample(self, width, height):
        """The picture seen at width x height: the pixel nearest each cell's centre."""
        out = bytearray()
        for y in range(height):
            sy = min(self.height - 1, int((y + 0.5) * self.height / height))
            row = sy * self.width
            for x in range(width):
                i = (row + min(self.width - 1, int((x + 0.5) * self.width / width))) * 3
                out += self.rgb[i:i + 3]
        return Image(width, height, bytes(out))

    def frame_digest(self):
        return picture_digest(self.rgb)

    def is_black(self):
        return not any(self.rgb)

    def differences(self, other):
        if (self.width, self.height) != (other.width, other.height):
            return self.width * self.height
        return differing_pixels(self.rgb, other.rgb)


def fnv1a_64(data):
    value = 0xcbf29ce484222325
    for byte in data:
        value = ((value ^ byte) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return value


def picture_digest(rgb):
    """The capture's digest of the frame buffer that shows this RGB picture:
    FNV-1a 64 of its 32-bit 0x00RRGGBB pixels, little-endian."""
    words = bytearray(len(rgb) // 3 * 4)
    words[0::4] = rgb[2::3]
    words[1::4] = rgb[1::3]
    words[2::4] = rgb[0::3]
    return fnv1a_64(words)


BLACK_DIGEST = picture_digest(bytes(SCREEN_WIDTH * SCREEN_HEIGHT * 3))


def differing_pixels(a, b):
    return sum(1 for i in range(0, len(a), 3) if a[i:i + 3] != b[i:i + 3])


# ---------------------------------------------------------------------------
# The capture tool.

def run_capture(capture, *args, timeout=300):
    result = subprocess.run([capture, *args], capture_output=True, text=True, timeout=timeout)
    if result.returncode != 0:
        raise Failure(f"orvalis-capture {' '.join(args)} failed ({result.returncode}): {result.stderr.strip()}")
    return result.stdout


def intro_length(capture, rom):
    """The frame on which the intro has ended, as the capture tool reports it."""
    return int(run_capture(capture, "--rom", rom, "--trust-image", "--intro-length").strip())


def whole_intro_frames(capture, rom):
    """Enough frames for the whole intro and a few black ones after it."""
    return intro_length(capture, rom) + AFTER_INTRO


def read_state_log(path):
    """The capture's state log, a dict per frame by column name, numbers as
    ints (dispcnt and digest from hex); frames 1, 2, 3, ... in order."""
    rows = []
    with open(path, newline="") as f:
        for row in csv.DictReader(f):
            rows.append({name: int(value, 16) if name in ("dispcnt", "digest") else int(value)
                         for name, value in row.items()})
    expect(rows and [r["frame"] for r in rows] == list(range(1, len(rows) + 1)),
           f"the state log {path} does not list frames 1, 2, 3, ...")
    return rows


def frame_list(numbers):
    """Ascending frame numbers as the capture's list: 25-40,60,..."""
    runs = []
    for n in numbers:
        if runs and n == runs[-1][1] + 1:
            runs[-1][1] = n
        else:
            runs.append([n, n])
    return ",".join(f"{a}-{b}" if a != b else str(a) for a, b in runs)
