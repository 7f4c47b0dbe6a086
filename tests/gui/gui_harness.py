"""Runs the real program in a private X server and acts on it as a user would.

Each test gets its own Xvfb display, a stand-in file chooser first on PATH,
and helpers to find windows by exact title, focus them, hold keys, close a
window through WM_DELETE_WINDOW and take screenshots with xwd.
"""

import ctypes
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time

from Xlib import X, Xatom, display as xdisplay, error as xerror, protocol

CONVERT = "/usr/bin/convert"


def _die_with_parent():
    """Runs in each child: it gets SIGTERM when the test process dies, so that
    a test killed by its timeout leaves no X server or program behind (Linux)."""
    try:
        ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


class Failure(Exception):
    pass


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


class Session:
    """An X server, a scratch directory and the program under test."""

    def __init__(self, name, shot_dir=None):
        self.name = name
        self.shot_dir = shot_dir
        self.work = tempfile.mkdtemp(prefix=f"orvalis-gui-{name}-")
        self.xvfb = None
        self.program = None
        self.display_name = None
        self.dpy = None
        self.stderr_path = os.path.join(self.work, "program.stderr")

    def shot_path(self, name):
        """Where to keep a screenshot, or None when none are kept."""
        if not self.shot_dir:
            return None
        os.makedirs(self.shot_dir, exist_ok=True)
        return os.path.join(self.shot_dir, f"{self.name}-{name}")

    # ---- X server
    def start_x(self):
        # Xvfb picks a free display itself and reports its number on a pipe,
        # so tests running side by side never race for one.
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write_end,),
            preexec_fn=_die_with_parent)
        os.close(write_end)
        reported = b""
        with os.fdopen(read_end, "rb") as pipe:
            ready, _, _ = select.select([pipe], [], [], 15)
            if ready:
                reported = pipe.readline()
        if not reported.strip().isdigit():
            raise Failure("Xvfb did not report a display")
        number = int(reported)
        wait_for(f"the socket of display :{number}", lambda: os.path.exists(f"/tmp/.X11-unix/X{number}"), 10)
        self.display_name = f":{number}"
        self.dpy = wait_for("a connection to the X server", self._connect, 10)

    def _connect(self):
        try:
            return xdisplay.Display(self.display_name)
        except Exception:
            return None

    # ---- the stand-in chooser
    def chooser_answers(self, path, program="zenity"):
        """Puts a chooser on PATH that records its arguments and answers path (None: cancel)."""
        bindir = os.path.join(self.work, "bin")
        os.makedirs(bindir, exist_ok=True)
        record = os.path.join(self.work, "chooser.args")
        answer = "exit 1" if path is None else f"printf '%s\\n' {shquote(path)}"
        script = f"#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > {shquote(record)}\n{answer}\n"
        with open(os.path.join(bindir, program), "w") as f:
            f.write(script)
        os.chmod(os.path.join(bindir, program), 0o755)
        return bindir

    def chooser_arguments(self):
        with open(os.path.join(self.work, "chooser.args")) as f:
            return f.read().splitlines()

    # ---- the program
    def start_program(self, program, path_dirs, extra_env=None, cwd=None, capture_stdout=False):
        env = dict(os.environ)
        env["DISPLAY"] = self.display_name
        env["PATH"] = ":".join(path_dirs)
        env.pop("WAYLAND_DISPLAY", None)
        env.pop("SDL_VIDEODRIVER", None)
        if extra_env:
            env.update(extra_env)
        self.stderr_file = open(self.stderr_path, "w")
        self.stdout_path = os.path.join(self.work, "program.stdout")
        stdout = open(self.stdout_path, "w") if capture_stdout else subprocess.DEVNULL
        self.program = subprocess.Popen([program], env=env, stdin=subprocess.DEVNULL, cwd=cwd,
                                        stdout=stdout, stderr=self.stderr_file,
                                        preexec_fn=_die_with_parent)

    def program_stdout(self):
        with open(self.stdout_path) as f:
            return f.read()

    def wait_exit(self, timeout=10):
        try:
            return self.program.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program did not end within {timeout} s")

    def program_stderr(self):
        with open(self.stderr_path) as f:
            return f.read()

    # ---- windows
    def find_window(self, title, timeout=15):
        def probe():
            self.check_alive(f"window {title!r}")
            return next((w for w in self.windows_titled(title) if self.viewable(w)), None)
        return wait_for(f"a window titled {title!r}", probe, timeout, 0.25)

    def windows_titled(self, title):
        """Every window whose title is exactly `title`. Read with Xlib: xdotool's
        name search does not see the UTF-8 titles of SDL's message boxes."""
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

    def window_gone(self, window):
        try:
            return self.dpy.create_resource_object("window", window).get_attributes().map_state != X.IsViewable
        except Exception:
            return True

    def viewable(self, window):
        try:
            return self.dpy.create_resource_object("window", window).get_attributes().map_state == X.IsViewable
        except Exception:
            return False

    def check_alive(self, waiting_for):
        if self.program is not None and self.program.poll() is not None:
            raise Failure(f"the program ended (exit {self.program.returncode}) while waiting for {waiting_for};"
                          f" stderr: {self.program_stderr()!r}")

    def focus(self, window):
        xdotool("windowfocus", "--sync", str(window), env=self.env())

    def hold_key(self, window, key, seconds=0.3):
        self.focus(window)
        xdotool("keydown", key, env=self.env())
        time.sleep(seconds)  # the length of the press, not a wait for the program
        xdotool("keyup", key, env=self.env())

    def keys(self, *args):
        xdotool(*args, env=self.env())

    def dismiss_box(self, title, timeout=15):
        """Finds a message box by its title and presses Return in it."""
        box = self.find_window(title, timeout)
        self.focus(box)
        xdotool("key", "Return", env=self.env())
        wait_for(f"the box {title!r} to close", lambda: self.window_gone(box), 10)

    def geometry(self, window):
        """(x, y, width, height) of the window on the screen."""
        w = self.dpy.create_resource_object("window", window)
        g = w.get_geometry()
        at = w.translate_coords(self.dpy.screen().root, 0, 0)
        return -at.x, -at.y, g.width, g.height

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

    def resize(self, window, width, height):
        xdotool("windowsize", str(window), str(width), str(height), env=self.env())

    def close(self, window):
        """Asks the window to close as a window manager's close button does."""
        w = self.dpy.create_resource_object("window", window)
        protocols = self.dpy.intern_atom("WM_PROTOCOLS")
        delete = self.dpy.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(window=w, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        w.send_event(event, event_mask=X.NoEventMask)
        self.dpy.flush()

    def screenshot(self, window, save_as=None):
        """The window's pixels as an Image."""
        xwd = subprocess.run(["xwd", "-id", str(window), "-silent"], env=self.env(), capture_output=True,
                             check=True, timeout=20).stdout
        if save_as:
            subprocess.run([CONVERT, "xwd:-", "png:" + save_as], input=xwd, check=True, timeout=20)
        ppm = subprocess.run([CONVERT, "xwd:-", "-depth", "8", "ppm:-"], input=xwd, capture_output=True,
                             check=True, timeout=20).stdout
        return Image.from_ppm(ppm)

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display_name
        return env

    # ---- cleanup
    def stop(self):
        if self.program is not None and self.program.poll() is None:
            self.program.kill()
            self.program.wait()
        if self.dpy is not None:
            try:
                self.dpy.close()
            except Exception:
                pass  # the server may already be gone
        if self.xvfb is not None:
            self.xvfb.send_signal(signal.SIGTERM)
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        self.program = self.dpy = self.xvfb = None

    def keep_or_remove(self, failed):
        if failed:
            print(f"kept for inspection: {self.work}")
        else:
            shutil.rmtree(self.work, ignore_errors=True)


class Image:
    """8-bit RGB pixels, row by row."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    @staticmethod
    def from_ppm(data):
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos) + 1
                continue
            end = pos
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[pos:end])
            pos = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise Failure("unexpected screenshot format")
        width, height = int(fields[1]), int(fields[2])
        pixels = data[pos + 1:pos + 1 + width * height * 3]
        return Image(width, height, pixels)

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def sample(self, width, height):
        """The picture seen at width x height: the pixel nearest each cell's centre."""
        out = bytearray()
        for y in range(height):
            sy = min(self.height - 1, int((y + 0.5) * self.height / height))
            for x in range(width):
                sx = min(self.width - 1, int((x + 0.5) * self.width / width))
                i = (sy * self.width + sx) * 3
                out += self.rgb[i:i + 3]
        return Image(width, height, bytes(out))

    def frame_digest(self):
        """FNV-1a 64 of the picture laid out as the program's frame buffer
        (32-bit 0x00RRGGBB pixels, little-endian), as the capture logs it."""
        words = bytearray(self.width * self.height * 4)
        words[0::4] = self.rgb[2::3]
        words[1::4] = self.rgb[1::3]
        words[2::4] = self.rgb[0::3]
        return fnv1a_64(words)

    def is_black(self):
        return not any(self.rgb)

    def differences(self, other):
        if (self.width, self.height) != (other.width, other.height):
            return self.width * self.height
        return sum(1 for i in range(0, len(self.rgb), 3) if self.rgb[i:i + 3] != other.rgb[i:i + 3])


def fnv1a_64(data):
    value = 0xcbf29ce484222325
    for byte in data:
        value = ((value ^ byte) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return value


def xdotool(*args, env, check=True):
    result = subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True, timeout=20)
    if check and result.returncode != 0:
        raise Failure(f"xdotool {' '.join(args)} failed: {result.stderr.strip()}")
    return result.stdout


def shquote(text):
    return "'" + text.replace("'", "'\\''") + "'"


def regex_escape(text):
    return "".join("\\" + c if c in r".^$*+?()[]{}|\\" else c for c in text)
