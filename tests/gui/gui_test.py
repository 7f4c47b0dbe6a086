#!/usr/bin/python3
"""The program in a real X server, driven as a user would drive it.

usage: gui_test.py CASE --program PATH [--rom PATH --capture PATH]
cases: cancel, refused, no-chooser, play
"""

import argparse
import os
import sys
import traceback

from gui_harness import Failure, Image, Session, wait_for

MAIN_TITLE = "Orvalis PC"
NOTICE_TITLE = "Original game required"


def expect(condition, message):
    if not condition:
        raise Failure(message)


def start(session, args, answer, path_dirs=None):
    session.start_x()
    bindir = session.chooser_answers(answer)
    session.start_program(args.program, path_dirs if path_dirs is not None else [bindir, "/usr/bin", "/bin"])
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
    for wanted in ("--file-selection", "--title=Select your Orvalis ROM",
                   "--file-filter=Game Boy Advance ROMs (*.gba) | *.gba", "--file-filter=All Files (*.*) | *"):
        expect(wanted in chooser, f"the chooser was not given {wanted!r}: {chooser}")
    expect(chooser.index("--file-filter=Game Boy Advance ROMs (*.gba) | *.gba")
           < chooser.index("--file-filter=All Files (*.*) | *"), "the .gba filter must come first")
    expect(not any(a.startswith("--save") or a == "--directory" for a in chooser),
           f"the chooser must pick existing files: {chooser}")


def case_refused(session, args):
    rom = os.path.join(session.work, "short.gba")
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


def text_scene_frames(frames):
    """The frames of the first text scene: the first run of non-black frames."""
    first = next((n for n in sorted(frames) if not frames[n].is_black()), None)
    expect(first is not None, "the headless capture shows no picture at all")
    scene = []
    for n in sorted(frames):
        if n < first:
            continue
        if frames[n].is_black():
            break
        scene.append(n)
    return scene


def load_capture(session, args, last_frame):
    out = os.path.join(session.work, "capture")
    os.makedirs(out)
    import subprocess
    subprocess.run([args.capture, "--rom", args.rom, "--png-dir", out, "--png-frames", f"1-{last_frame}"],
                   check=True, stdout=subprocess.DEVNULL, timeout=120)
    frames = {}
    for name in os.listdir(out):
        digits = "".join(c for c in name if c.isdigit())
        if name.endswith(".png") and digits:
            frames[int(digits)] = Image.from_png(os.path.join(out, name))
    expect(frames, f"the capture wrote no frames into {out}")
    return frames


def matching_frame(shot, frames, numbers, tolerance=0):
    sampled = shot.sample(240, 160)
    for n in numbers:
        if sampled.differences(frames[n]) <= tolerance:
            return n
    return None


def case_play(session, args):
    frames = load_capture(session, args, args.frames)
    scene = text_scene_frames(frames)
    window = start(session, args, args.rom)
    shots = os.path.join(session.work, "shots")
    os.makedirs(shots)

    # A picture of the text scene at 960 x 640 is exactly one of its headless frames.
    def text_scene_shown():
        session.check_alive("the text scene")
        shot = session.screenshot(window)
        expect((shot.width, shot.height) == (960, 640), f"client area {shot.width}x{shot.height}, not 960x640")
        return matching_frame(shot, frames, scene)
    wait_for("a screenshot equal to a headless frame of the first text scene", text_scene_shown, 30, 0.05)

    # Resized to other proportions, the picture still fills the whole client area.
    session.resize(window, 600, 250)
    all_frames = sorted(frames)
    tolerance = 240 * 160 // 100  # edge cells of a non-integer scale may round the other way

    def filled():
        session.check_alive("the resized picture")
        shot = session.screenshot(window)
        if (shot.width, shot.height) != (600, 250) or shot.is_black():
            return None
        return matching_frame(shot, frames, all_frames, tolerance)
    wait_for("a 600x250 screenshot filled by a headless frame", filled, 20, 0.05)

    # Enter held a few frames skips the intro: from then on the picture is black.
    wait_for("a picture to skip", lambda: not session.screenshot(window).is_black(), 20, 0.05)
    session.hold_key(window, "Return")
    wait_for("a black picture after Enter", lambda: session.screenshot(window).is_black(), 10, 0.05)
    for _ in range(10):
        shot = session.screenshot(window)
        expect(shot.is_black(), "the picture came back after the intro was skipped")

    session.close(window)
    code = session.wait_exit()
    expect(code == 0, f"exit code {code} after closing the window, expected 0")


CASES = {"cancel": case_cancel, "refused": case_refused, "no-chooser": case_no_chooser, "play": case_play}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--program", required=True)
    parser.add_argument("--rom")
    parser.add_argument("--capture")
    parser.add_argument("--frames", type=int, default=600)
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
