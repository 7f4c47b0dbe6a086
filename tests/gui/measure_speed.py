#!/usr/bin/python3
"""Measures the frame period and CPU use of the program while the intro runs
under Xvfb (a measurement, not a test).

usage: measure_speed.py --program PATH --shim PATH --rom PATH [--frames N]
"""

import argparse
import os
import statistics
import sys
import time

from gui_harness import WORDS, Session, wait_for


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def thread_ticks(pid):
    """{thread name: utime + stime} of every thread of the process."""
    out = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/stat") as f:
                head, tail = f.read().rsplit(")", 1)
            name = head.split("(", 1)[1] + f"/{tid}"
            fields = tail.split()
            out[name] = int(fields[11]) + int(fields[12])
        except OSError:
            pass
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--shim", required=True)
    parser.add_argument("--rom", required=True)
    parser.add_argument("--frames", type=int, default=400)
    args = parser.parse_args()

    session = Session("speed")
    log = os.path.join(session.work, "presents.log")
    try:
        session.start_x()
        bindir = session.chooser_answers(args.rom)
        session.start_program(args.program, [bindir, "/usr/bin", "/bin"],
                              {"LD_PRELOAD": os.path.abspath(args.shim), "ORVALIS_PRESENT_LOG": log})
        window = session.find_window(WORDS["product_window_title"])
        pid = session.program.pid
        ticks_per_second = os.sysconf("SC_CLK_TCK")
        time.sleep(1.0)  # past the start-up, into the intro
        start_threads, start_ticks, start = thread_ticks(pid), cpu_ticks(pid), time.monotonic()
        time.sleep(args.frames * 0.0165)
        end_threads, end_ticks, end = thread_ticks(pid), cpu_ticks(pid), time.monotonic()
        session.close(window)
        session.wait_exit()
        with open(log) as f:
            presents = [tuple(int(v) for v in line.split()) for line in f]
        stamps = [begin for begin, _ in presents]
        # The frames of the measured stretch only (the shim and time.monotonic share CLOCK_MONOTONIC).
        inside = [s for s in stamps if start * 1e9 <= s <= end * 1e9]
        periods = [(b - a) / 1e6 for a, b in zip(inside, inside[1:])]
        durations = [(done - begin) / 1e6 for begin, done in presents if start * 1e9 <= begin <= end * 1e9]
        cpu = (end_ticks - start_ticks) / ticks_per_second / (end - start) * 100
        print(f"frames measured: {len(periods)}")
        print(f"frame period: mean {statistics.mean(periods):.3f} ms, stdev {statistics.stdev(periods):.3f} ms,"
              f" min {min(periods):.3f} ms, max {max(periods):.3f} ms")
        print(f"SDL_RenderPresent: mean {statistics.mean(durations):.3f} ms, max {max(durations):.3f} ms")
        print(f"CPU: {cpu:.2f} % of one core over {end - start:.1f} s")
        for name, ticks in sorted(end_threads.items()):
            used = (ticks - start_threads.get(name, 0)) / ticks_per_second / (end - start) * 100
            if used > 0:
                print(f"  thread {name}: {used:.2f} %")
    finally:
        session.stop()
        session.keep_or_remove(False)


if __name__ == "__main__":
    sys.exit(main())
