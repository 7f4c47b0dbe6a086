#!/usr/bin/python3
"""The program in a real X server, driven as a user would drive it.

usage: gui_test.py CASE --program PATH [--rom PATH --capture PATH] [--probe PATH] [--shot-dir DIR]
cases: cancel, kdialog, refused, no-chooser, real-zenity, keys, pad, pad-first, pad-skip, play, skip-keys
"""

import argparse
import os
import re
import subprocess
import sys
import time
import traceback

from gui_harness import (BLACK_DIGEST, WORDS, Failure, Image, Session, expect, read_state_log, run_capture,
                         wait_for, whole_intro_frames)

MAIN_TITLE = WORDS["product_window_title"]
NOTICE_TITLE = WORDS["product_no_image_caption"]
CHOOSER_TITLE = WORDS["product_chooser_title"]
ROM_FILTER = WORDS["product_rom_filter_name"], WORDS["product_rom_filter_pattern"]
ALL_FILTER = WORDS["product_all_filter_name"]
WRONG_SIZE_TITLE = WORDS["product_wrong_size_caption"]


def start(session, args, answer, chooser="zenity"):
    session.start_x()
    bindir = session.chooser_answers(answer, chooser)
    # zenity is found in /usr/bin too; a kdialog test must not see it.
    session.start_program(args.program, [bindir, "/usr/bin", "/bin"] if chooser == "zenity" else [bindir],
                          cwd=session.work)
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
    wanted = ["--file-selection", f"--title={CHOOSER_TITLE}",
              f"--file-filter={ROM_FILTER[0]} | {ROM_FILTER[1]}", f"--file-filter={ALL_FILTER} | *",
              f"--filename={session.work}/"]
    # The .gba filter first; no save mode or directory mode, so only existing files can be chosen;
    # the dialog opens in the working directory.
    expect(chooser == wanted, f"zenity was given {chooser}, expected {wanted}")


def case_kdialog(session, args):
    """Without zenity, kdialog is the chooser; its cancel is handled the same way."""
    window = start(session, args, None, chooser="kdialog")
    finish_with_notice(session, window)
    chooser = session.chooser_arguments()
    wanted = ["--title", CHOOSER_TITLE, "--getopenfilename", ".",
              f"{ROM_FILTER[1]}|{ROM_FILTER[0]}", f"*|{ALL_FILTER}"]  # the filter's two lines
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
    session.dismiss_box(WRONG_SIZE_TITLE)
    finish_with_notice(session, window)


def case_no_chooser(session, args):
    # A PATH with neither zenity nor kdialog on it.
    empty = os.path.join(session.work, "empty-bin")
    os.makedirs(empty)
    session.start_x()
    session.start_program(args.program, [empty])
    window = session.find_window(MAIN_TITLE)
    session.dismiss_box(WORDS["product_no_chooser_caption"])
    finish_with_notice(session, window)


def black_around(session, window, box):
    """1 when every pixel of the window's screenshot outside the box's
    rectangle is black: the window shows the cleared frame buffer, not what
    a closed dialog left on the screen."""
    wx, wy, _, _ = session.geometry(window)
    bx, by, bw, bh = session.geometry(box)
    shot = session.screenshot(window, save_as=session.shot_path(f"under-{box}.png"))
    left, right = max(0, bx - wx), max(0, min(shot.width, bx - wx + bw))
    top, bottom = by - wy, by - wy + bh
    row_bytes = shot.width * 3
    for y in range(shot.height):
        row = shot.rgb[y * row_bytes:(y + 1) * row_bytes]
        if top <= y < bottom:
            if any(row[:left * 3]) or any(row[right * 3:]):
                return False
        elif any(row):
            return False
    return True


def expect_black_around(session, window, title, when):
    box = session.find_window(title)
    wait_for(f"the window black around {title!r} {when}", lambda: black_around(session, window, box), 10, 0.1)
    return box


def case_real_zenity(session, args):
    """The real zenity, opened in the working directory, chooses a 1-byte file
    by its bare name; under each message box that follows, the main window
    shows its black frame buffer, also after being uncovered while a box is up."""
    session.start_x()
    with open(os.path.join(session.work, "one byte.gba"), "wb") as f:
        f.write(b"\x01")
    session.start_program(args.program, ["/usr/bin", "/bin"], cwd=session.work)
    window = session.find_window(MAIN_TITLE)
    dialog = session.find_window(CHOOSER_TITLE, timeout=30)
    time.sleep(1)  # keys typed into a dialog that has only just appeared are lost
    session.focus(dialog)
    session.keys("key", "ctrl+l")
    time.sleep(0.3)
    session.keys("type", "--delay", "30", "one byte.gba")
    time.sleep(0.3)
    session.keys("key", "Return")

    box = expect_black_around(session, window, WRONG_SIZE_TITLE, "after the chooser closed")
    x, y, width, height = session.geometry(window)
    session.cover_briefly(x, y, width, height)
    expect_black_around(session, window, WRONG_SIZE_TITLE, "after the window was uncovered")
    expect(session.viewable(box), "the box closed on its own")
    session.dismiss_box(WRONG_SIZE_TITLE)
    expect_black_around(session, window, NOTICE_TITLE, "after the first box closed")
    finish_with_notice(session, window)


def settled_keyinput(keyinput, expected):
    """KEYINPUT once it shows `expected` (or after 3 s); for 0x03FF, after a
    moment in which nothing may change."""
    if expected == 0x03FF:
        time.sleep(0.3)
    else:
        try:
            wait_for(f"KEYINPUT {expected:04X}", lambda: keyinput() == expected, 3, 0.02)
        except Failure:
            pass
    return keyinput()


# (xdotool key names, KEYINPUT while they are held): each of the ten keys,
# the keypad's Enter and arrows (NumLock is off in a new X server), and an
# unmapped key.
KEY_CASES = [
    (["x"], 0x03FE), (["z"], 0x03FD), (["BackSpace"], 0x03FB), (["Return"], 0x03F7),
    (["Right"], 0x03EF), (["Left"], 0x03DF), (["Up"], 0x03BF), (["Down"], 0x037F),
    (["s"], 0x02FF), (["a"], 0x01FF),
    (["KP_Enter"], 0x03F7), (["KP_Right"], 0x03EF), (["KP_Left"], 0x03DF), (["KP_Up"], 0x03BF),
    (["KP_Down"], 0x037F),
    (["x", "z", "BackSpace", "KP_Enter"], 0x03F0),   # the soft-reset combination, Enter on the keypad
    (["q"], 0x03FF),
]
def case_keys(session, args):
    session.start_x()
    session.start_program(args.probe, ["/usr/bin", "/bin"], capture_stdout=True)
    window = session.find_window(MAIN_TITLE)

    def keyinput():
        values = re.findall(r"KEYINPUT ([0-9A-F]{4})", session.program_stdout())
        return int(values[-1], 16) if values else None

    wait_for("the first keyboard poll", lambda: keyinput() == 0x03FF, 10)

    def check(keys, expected):
        session.focus(window)
        session.keys("keydown", *keys)
        try:
            got = settled_keyinput(keyinput, expected)
        finally:
            session.keys("keyup", *keys)
        expect(got == expected, f"holding {'+'.join(keys)}: KEYINPUT {got:04X}, expected {expected:04X}")
        wait_for("all keys released", lambda: keyinput() == 0x03FF, 3, 0.02)

    for keys, expected in KEY_CASES:
        check(keys, expected)
    session.close(window)
    code = session.wait_exit()
    expect(code == 0, f"the probe exited with {code}")


# SDL's game-controller buttons and axes, by their numbers in SDL_gamecontroller.h.
SDL_BUTTONS = {"south": 0, "east": 1, "west": 2, "north": 3, "back": 4, "guide": 5, "start": 6,
               "left_stick": 7, "right_stick": 8, "left_shoulder": 9, "right_shoulder": 10,
               "dpad_up": 11, "dpad_down": 12, "dpad_left": 13, "dpad_right": 14}
SDL_AXES = {"left_x": 0, "left_y": 1, "right_x": 2, "right_y": 3, "left_trigger": 4, "right_trigger": 5}

# (what the virtual pad does, KEYINPUT while it does it): every mapped button,
# the stick's directions and diagonal, both triggers, the dead half of an
# axis, and what does nothing.
PAD_CASES = [
    ([("button", "south", 1)], 0x03FE), ([("button", "east", 1)], 0x03FD),
    ([("button", "back", 1)], 0x03FB), ([("button", "start", 1)], 0x03F7),
    ([("button", "dpad_right", 1)], 0x03EF), ([("button", "dpad_left", 1)], 0x03DF),
    ([("button", "dpad_up", 1)], 0x03BF), ([("button", "dpad_down", 1)], 0x037F),
    ([("button", "right_shoulder", 1)], 0x02FF), ([("button", "left_shoulder", 1)], 0x01FF),
    ([("axis", "right_trigger", 32767)], 0x02FF), ([("axis", "left_trigger", 32767)], 0x01FF),
    ([("axis", "left_x", 32767)], 0x03EF), ([("axis", "left_x", -32768)], 0x03DF),
    ([("axis", "left_y", -32768)], 0x03BF), ([("axis", "left_y", 32767)], 0x037F),
    ([("axis", "left_x", 30000), ("axis", "left_y", -30000)], 0x03AF),   # up and right
    # The dead half: of the stick's axis, and of a trigger's travel (SDL takes a
    # virtual trigger's raw -32768..32767 as its travel).
    ([("axis", "left_x", 12000), ("axis", "left_y", -12000), ("axis", "left_trigger", -16384)], 0x03FF),
    ([("button", "west", 1), ("button", "north", 1), ("button", "guide", 1), ("axis", "right_x", 32767),
      ("axis", "right_y", 32767)], 0x03FF),                                  # what does nothing
    ([("button", "dpad_left", 1), ("axis", "left_x", 32767)], 0x03CF),       # opposite directions
]


def pad_command(kind, name, value):
    number = SDL_BUTTONS[name] if kind == "button" else SDL_AXES[name]
    return f"{kind} {number} {value}"


def case_pad(session, args):
    """SDL's GameController path with one of SDL's virtual controllers: the pad
    plugged in after the start, each mapping read back from KEYINPUT, a key and
    the pad together, the pad pulled out while a button is held (released),
    and plugged in again."""
    session.start_x()
    session.start_program(args.probe, ["/usr/bin", "/bin"], capture_stdout=True, args=["--virtual-pad"],
                          commands=True)
    window = session.find_window(MAIN_TITLE)

    def keyinput():
        values = re.findall(r"KEYINPUT ([0-9A-F]{4})", session.program_stdout())
        return int(values[-1], 16) if values else None

    def expect_keyinput(expected, what):
        got = settled_keyinput(keyinput, expected)
        expect(got == expected, f"{what}: KEYINPUT {got:04X}, expected {expected:04X}")

    wait_for("the first keyboard poll", lambda: keyinput() == 0x03FF, 10)
    session.send("attach")
    wait_for("the virtual pad", lambda: "attached yes" in session.program_stdout(), 5)
    for actions, expected in PAD_CASES:
        what = ", ".join(f"{name} {value}" for _, name, value in actions)
        for action in actions:
            session.send(pad_command(*action))
        expect_keyinput(expected, what)
        for kind, name, _ in actions:
            session.send(pad_command(kind, name, -32768 if name.endswith("trigger") else 0))
        expect_keyinput(0x03FF, f"{what} released")

    session.send("measure")
    wait_for("the measurement", lambda: "median" in session.program_stdout(), 5)
    print(re.findall(r"buttons read in .*", session.program_stdout())[-1] + " with one virtual pad")

    # A key and the pad together.
    session.send(pad_command("button", "south", 1))
    session.focus(window)
    session.keys("keydown", "z")
    try:
        expect_keyinput(0x03FC, "the pad's south and the key z")
    finally:
        session.keys("keyup", "z")
    expect_keyinput(0x03FE, "the pad's south alone")

    # Pulled out while its button is held: released. Plugged in again: plays.
    session.send("detach")
    expect_keyinput(0x03FF, "the pad pulled out while south was held")
    session.send("attach")
    session.send(pad_command("button", "east", 1))
    expect_keyinput(0x03FD, "east on the pad plugged in again")
    session.send(pad_command("button", "east", 0))
    expect_keyinput(0x03FF, "east released")
    session.close(window)
    code = session.wait_exit()
    expect(code == 0, f"the probe exited with {code}")


def case_pad_first(session, args):
    """A pad plugged in before the program starts plays from the first poll."""
    session.start_x()
    session.start_program(args.probe, ["/usr/bin", "/bin"], capture_stdout=True,
                          args=["--virtual-pad", "--attach-first"], commands=True)
    window = session.find_window(MAIN_TITLE)
    wait_for("the first keyboard poll", lambda: "KEYINPUT 03FF" in session.program_stdout(), 10)
    expect("attached yes" in session.program_stdout(), "the virtual pad was not attached before the start")
    session.send(pad_command("button", "south", 1))
    wait_for("KEYINPUT 03FE from the pad plugged in first",
             lambda: re.findall(r"KEYINPUT ([0-9A-F]{4})", session.program_stdout())[-1] == "03FE", 3, 0.02)
    session.close(window)
    code = session.wait_exit()
    expect(code == 0, f"the probe exited with {code}")


def case_pad_skip(session, args):
    """The whole program with a virtual pad plugged in during the intro: its
    Start skips the intro, as the key Enter does."""
    digests, scenes = load_capture(session, args, whole_intro_frames(args.capture, args.rom))
    early = early_text_pictures(digests, scenes)
    session.start_x()
    bindir = session.chooser_answers(args.rom)
    session.start_program(args.probe, [bindir, "/usr/bin", "/bin"], cwd=session.work,
                          args=["--virtual-pad", "--play"], commands=True)
    window = session.find_window(MAIN_TITLE)

    def press_start():
        session.send("attach")
        session.send(pad_command("button", "start", 1))
        time.sleep(0.3)  # held for several frames
        session.send(pad_command("button", "start", 0))
    skip_with(session, window, press_start, early)
    session.close(window)
    code = session.wait_exit()
    expect(code == 0, f"exit code {code} after closing the window, expected 0")


BLACK = BLACK_DIGEST


def load_capture(session, args, last_frame):
    """Runs the headless capture of the same build over frames 1..last_frame:
    {frame: digest of its picture} and {scene index: its frames in the
    intro's scene stage}. A few of its frames are also written as PNGs and
    checked against the logged digests, so that a screenshot's digest is
    known to be computed the way the capture computes it."""
    out = os.path.join(session.work, "capture")
    os.makedirs(out)
    log = os.path.join(out, "state.csv")
    run_capture(args.capture, "--rom", args.rom, "--frames", str(last_frame), "--state-log", log)
    digests, scenes = {}, {}
    for row in read_state_log(log):
        n = row["frame"]
        digests[n] = row["digest"]
        if (row["game_mode"], row["mode_stage"]) == (1, 2):
            scenes.setdefault(row["scene_index"], []).append(n)
    expect(len(digests) >= last_frame, f"the capture logged {len(digests)} frames, not {last_frame}")

    shown = [n for s in (0, 3, 5) for n in scenes.get(s, []) if digests[n] != BLACK]
    expect(shown, "the capture's text scenes show nothing")
    checked = sorted({shown[0], shown[len(shown) // 2], shown[-1]})
    run_capture(args.capture, "--rom", args.rom, "--frames", str(checked[-1]), "--png-dir", out,
                "--png-frames", ",".join(map(str, checked)))
    for n in checked:
        picture = Image.from_png(os.path.join(out, f"frame-{n:06d}.png"))
        expect((picture.width, picture.height) == (240, 160) and picture.frame_digest() == digests[n],
               f"frame {n}: the capture's PNG does not have its logged digest")
    return digests, scenes


def early_text_pictures(digests, scenes, margin=70):
    """Pictures shown only in the first part of a text scene, at least `margin`
    frames before its text ends: seen on screen, the intro still has that long
    to show text."""
    early_frames = set()
    for scene in (0, 3, 5):
        if scene in scenes:
            early_frames.update(n for n in scenes[scene] if n <= max(scenes[scene]) - margin)
    where = {}
    for n, picture in digests.items():
        where.setdefault(picture, []).append(n)
    early = {picture for picture, seen in where.items()
             if picture != BLACK and all(n in early_frames for n in seen)}
    expect(early, "no text scene shows a picture of its own early on")
    return early


def skip_with(session, window, key, early):
    """The key (an xdotool key name, or a function that presses something),
    held a few frames early in a text scene, skips the intro: the picture
    turns black at once and stays black, where the scene would go on showing
    text for at least a second."""
    shot = session.screenshot(window)
    width, height = shot.width, shot.height

    def early_in_scene():
        session.check_alive("a text scene")
        return session.screenshot(window).sample(240, 160).frame_digest() in early
    wait_for(f"a {width}x{height} picture early in a text scene", early_in_scene, 40, 0.02)
    if callable(key):
        key()
    else:
        session.hold_key(window, key)
    for _ in range(10):
        expect(session.screenshot(window).is_black(), f"the picture is not black after {key} was held")


def case_play(session, args):
    digests, scenes = load_capture(session, args, whole_intro_frames(args.capture, args.rom))
    by_picture = {}
    for n, picture in digests.items():
        by_picture.setdefault(picture, n)
    scene_pictures = {digests[n] for s in (0, 3, 5) for n in scenes.get(s, []) if digests[n] != BLACK}
    early = early_text_pictures(digests, scenes)

    window = start(session, args, args.rom)

    # A picture of a text scene at 960 x 640, scaled down to 240 x 160, is
    # exactly one of the text scenes' headless frames.
    def text_scene_shown():
        session.check_alive("the text scene")
        shot = session.screenshot(window)
        size = WORDS["product_client_width"], WORDS["product_client_height"]
        expect((shot.width, shot.height) == size, f"client area {shot.width}x{shot.height}, not {size[0]}x{size[1]}")
        return shot.sample(240, 160).frame_digest() in scene_pictures
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
        return by_picture.get(shot.sample(240, 160).frame_digest())
    wait_for("a 600x250 screenshot filled by a headless frame", filled, 30, 0.02)

    skip_with(session, window, "Return", early)
    session.close(window)
    code = session.wait_exit()
    expect(code == 0, f"exit code {code} after closing the window, expected 0")


def case_skip_keys(session, args):
    """The keys that type x and z are the handheld's A and B: either skips the intro."""
    digests, scenes = load_capture(session, args, whole_intro_frames(args.capture, args.rom))
    early = early_text_pictures(digests, scenes)
    for key in ("x", "z"):
        window = start(session, args, args.rom)
        skip_with(session, window, key, early)
        session.close(window)
        code = session.wait_exit()
        expect(code == 0, f"exit code {code} after closing the window, expected 0")
        session.stop()


CASES = {"cancel": case_cancel, "kdialog": case_kdialog, "refused": case_refused, "no-chooser": case_no_chooser,
         "real-zenity": case_real_zenity, "keys": case_keys, "pad": case_pad, "pad-first": case_pad_first, "pad-skip": case_pad_skip, "play": case_play, "skip-keys": case_skip_keys}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--program", required=True)
    parser.add_argument("--rom")
    parser.add_argument("--capture")
    parser.add_argument("--probe")
    parser.add_argument("--shot-dir", help="keep the screenshots taken here")
    args = parser.parse_args()
    session = Session(args.case, args.shot_dir)
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
