#!/usr/bin/python3
"""The program in a real X server, driven as a user would drive it.

usage: gui_test.py CASE --program PATH [--rom PATH --capture PATH]
cases: cancel, kdialog, refused, no-chooser, play
"""

import argparse
import csv
import os
import subprocess
import sys
import traceback

from gui_harness import CONVERT, Failure, Session, wait_for

MAIN_TITLE = "Orvalis PC"
NOTICE_TITLE = "Original game required"


def expect(condition, message):
    if not condition:
        raise Failure(message)


def start(session, args, answer, chooser="zenity"):
    session.start_x()
    bindir = session.chooser_answers(answer, chooser)
    # zenity is found in /usr/bin too; a kdialog test must not see it.
    session.start_program(args.program, [bindir, "/usr/bin", "/bin"] if chooser == "zenity" else [bindir])
    return session.find_window(MAIN_TITLE)


def finish_with_notice(session, window):
    """The closing notice over the window, then exit code 0 once it is dismissed."""
    session.dismiss_box(NOTICE_TITLE)
    code = session.wait_exit()
    expect(code == 0, f"exit code {code} after the notice, expected 0")
    expect(session.window_gone(window), "the main window is still shown after the program ended")


def case_cancel(session, args):
    window = start(session, args, None)
    finish_with_notice(session, window)
    chooser = session.chooser_arguments()
    wanted = ["--file-selection", "--title=Select your Orvalis ROM",
              "--file-filter=Game Boy Advance ROMs (*.gba) | *.gba", "--file-filter=All Files (*.*) | *"]
    # The .gba filter first; no save mode or directory mode, so only existing files can be chosen.
    expect(chooser == wanted, f"zenity was given {chooser}, expected {wanted}")


def case_kdialog(session, args):
    """Without zenity, kdialog is the chooser; its cancel is handled the same way."""
    window = start(session, args, None, chooser="kdialog")
    finish_with_notice(session, window)
    chooser = session.chooser_arguments()
    wanted = ["--title", "Select your Orvalis ROM", "--getopenfilename", ".",
              "*.gba|Game Boy Advance ROMs (*.gba)", "*|All Files (*.*)"]  # the filter's two lines
    expect(chooser == wanted, f"kdialog was given {chooser}, expected {wanted}")


def case_refused(session, args):
    # Spaces and a quote in the path: the chooser's answer reaches the loader
    # unchanged, with only its trailing newline removed.
    folder = os.path.join(session.work, "it's a folder")
    os.makedirs(folder)
    rom = os.path.join(folder, "short rom.gba")
    with open(rom, "wb") as f:
        f.write(b"\0" * 1000)
    window = start(session, args, rom)
    session.dismiss_box("ROM loader: WRONG SIZE")
    finish_with_notice(session, window)


def case_no_chooser(session, args):
    # A PATH with neither zenity nor kdialog on it.
    empty = os.path.join(session.work, "empty-bin")
    os.makedirs(empty)
    session.start_x()
    session.start_program(args.program, [empty])
    window = session.find_window(MAIN_TITLE)
    session.dismiss_box("ROM loader: NO FILE CHOOSER")
    finish_with_notice(session, window)


FRAME_BYTES = 240 * 160 * 3


def load_capture(session, args):
    """Runs the headless capture of the same build: {frame: RGB bytes} and
    the frames of the text scenes (scenes 0, 3 and 5 of the intro's scene stage)."""
    out = os.path.join(session.work, "capture")
    os.makedirs(out)
    log = os.path.join(out, "state.csv")
    subprocess.run([args.capture, "--rom", args.rom, "--frames", str(args.frames), "--state-log", log,
                    "--png-dir", out, "--png-frames", f"1-{args.frames}"],
                   check=True, stdout=subprocess.DEVNULL, timeout=120)
    scene = []
    with open(log) as f:
        for row in csv.DictReader(f):
            if (row["game_mode"], row["mode_stage"]) == ("1", "2") and row["scene_index"] in ("0", "3", "5"):
                scene.append(int(row["frame"]))
    expect(scene, "the capture's state log shows no text scene")
    numbers = list(range(1, args.frames + 1))
    paths = [os.path.join(out, f"frame-{n:06d}.png") for n in numbers]
    missing = [p for p in paths if not os.path.exists(p)]
    expect(not missing, f"the capture wrote no {missing[:1]}")
    raw = subprocess.run([CONVERT, *paths, "-depth", "8", "rgb:-"], capture_output=True, check=True,
                         timeout=120).stdout
    expect(len(raw) == FRAME_BYTES * len(numbers), "the capture's PNGs are not all 240 x 160")
    frames = {n: raw[i * FRAME_BYTES:(i + 1) * FRAME_BYTES] for i, n in enumerate(numbers)}
    expect(any(frames[n] != bytes(FRAME_BYTES) for n in scene), "the text scenes show nothing")
    return frames, scene


def case_play(session, args):
    frames, scene = load_capture(session, args)
    by_picture = {}
    for n, picture in frames.items():
        by_picture.setdefault(picture, n)
    scene_pictures = {frames[n] for n in scene if frames[n] != bytes(FRAME_BYTES)}

    window = start(session, args, args.rom)

    # A picture of a text scene at 960 x 640, scaled down to 240 x 160, is
    # exactly one of the text scenes' headless frames.
    def text_scene_shown():
        session.check_alive("the text scene")
        shot = session.screenshot(window)
        expect((shot.width, shot.height) == (960, 640), f"client area {shot.width}x{shot.height}, not 960x640")
        return shot.sample(240, 160).rgb in scene_pictures
    wait_for("a screenshot equal to a headless frame of a text scene", text_scene_shown, 30, 0.02)

    # Resized to other proportions, the stretched picture still fills the
    # whole client area: sampled back to 240 x 160 it is a headless frame.
    # (600 x 250 puts no sampled point on a cell boundary of either scale.)
    session.resize(window, 600, 250)

    def filled():
        session.check_alive("the resized picture")
        shot = session.screenshot(window)
        if (shot.width, shot.height) != (600, 250) or shot.is_black():
            return None
        return by_picture.get(shot.sample(240, 160).rgb)
    wait_for("a 600x250 screenshot filled by a headless frame", filled, 30, 0.02)

    # Enter held a few frames skips the intro: from then on the picture is black.
    wait_for("a picture to skip", lambda: not session.screenshot(window).is_black(), 30, 0.02)
    session.hold_key(window, "Return")
    wait_for("a black picture after Enter", lambda: session.screenshot(window).is_black(), 10, 0.05)
    for _ in range(10):
        expect(session.screenshot(window).is_black(), "the picture came back after the intro was skipped")

    session.close(window)
    code = session.wait_exit()
    expect(code == 0, f"exit code {code} after closing the window, expected 0")


CASES = {"cancel": case_cancel, "kdialog": case_kdialog, "refused": case_refused, "no-chooser": case_no_chooser,
         "play": case_play}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--program", required=True)
    parser.add_argument("--rom")
    parser.add_argument("--capture")
    parser.add_argument("--frames", type=int, default=1000)
    args = parser.parse_args()
    session = Session(args.case)
    failed = True
    try:
        CASES[args.case](session, args)
        failed = False
    except Failure as failure:
        print(f"FAILED: {failure}")
        if session.program is not None:
            print(f"program stderr: {session.program_stderr()!r}")
    except Exception:
        traceback.print_exc()
    finally:
        session.stop()
        session.keep_or_remove(failed)
    print(f"{args.case}: {'failed' if failed else 'passed'}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
