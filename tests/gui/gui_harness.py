"""Runs the real SDL2 program in a private X server and acts on it as a user
would: the shared harness (tests/harness/xharness.py) plus what only these
tests need, a stand-in file chooser first on PATH and the program's own
process.
"""

import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))

from xharness import (BLACK_DIGEST, CONVERT, WORDS, Desk, Failure, Image, die_with_parent,  # noqa: E402,F401
                      expect, read_state_log, run_capture, shquote, start_xvfb, stop_process, wait_for,
                      whole_intro_frames)


class Session(Desk):
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

    def start_x(self):
        self.xvfb, name = start_xvfb()
        Desk.__init__(self, name)

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
    def start_program(self, program, path_dirs, extra_env=None, cwd=None, capture_stdout=False, args=(),
                      commands=False):
        """Starts the program; with commands, its standard input is a pipe that
        send() writes lines to."""
        env = self.env()
        env["PATH"] = ":".join(path_dirs)
        env.pop("WAYLAND_DISPLAY", None)
        env.pop("SDL_VIDEODRIVER", None)
        if extra_env:
            env.update(extra_env)
        self.stderr_file = open(self.stderr_path, "w")
        self.stdout_path = os.path.join(self.work, "program.stdout")
        stdout = open(self.stdout_path, "w") if capture_stdout else subprocess.DEVNULL
        self.program = subprocess.Popen([program, *args], env=env, cwd=cwd,
                                        stdin=subprocess.PIPE if commands else subprocess.DEVNULL,
                                        stdout=stdout, stderr=self.stderr_file, text=commands,
                                        preexec_fn=die_with_parent)

    def send(self, line):
        self.program.stdin.write(line + "\n")
        self.program.stdin.flush()

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

    def check_alive(self, waiting_for):
        if self.program is not None and self.program.poll() is not None:
            raise Failure(f"the program ended (exit {self.program.returncode}) while waiting for {waiting_for};"
                          f" stderr: {self.program_stderr()!r}")

    # Windows are waited for only while the program still runs.
    def find_window(self, title, timeout=15, alive=None):
        return Desk.find_window(self, title, timeout, alive or self.check_alive)

    def dismiss_box(self, title, timeout=15, alive=None):
        Desk.dismiss_box(self, title, timeout, alive or self.check_alive)

    # ---- cleanup
    def stop(self):
        if self.program is not None and self.program.poll() is None:
            self.program.kill()
            self.program.wait()
        if self.program is not None and self.program.stdin:
            try:
                self.program.stdin.close()
            except OSError:
                pass  # the program is gone
        if self.dpy is not None:
            self.close_connection()
        stop_process(self.xvfb)
        self.program = self.dpy = self.xvfb = None

    def keep_or_remove(self, failed):
        if failed:
            print(f"kept for inspection: {self.work}")
        else:
            shutil.rmtree(self.work, ignore_errors=True)
