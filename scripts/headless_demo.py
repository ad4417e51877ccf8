#!/usr/bin/env python3
"""Runs the demo once on a private Xvfb, as a user without a display would.

  headless_demo.py BIN_DIR OUT_DIR [SECONDS] [PROGRAM]

Starts PROGRAM (orlath, or gallery) from BIN_DIR with the report's marker
present, answers the start question with No, lets it run, saves a
screenshot, holds Escape, and keeps the screenshot, Debug.txt and the
program's output in OUT_DIR. The gallery instead gets one screenshot per
page, turning its pages with the space bar (tests/e2e/gallery_walk.py),
and a contact sheet of all of them.
Prints the program's exit status; exits non-zero when the run went wrong.
"""

import os
import shutil
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

import gallery_walk  # noqa: E402
from xsession import XSession  # noqa: E402

TITLE = "Orlath - Brenvik!"


STOP_SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)


def stop_on_signals(stop):
    for number in STOP_SIGNALS:
        signal.signal(number, stop)


def leave_run(number, frame):
    """A stop signal ends the run through its clean-up, which ends the
    program and the X server."""
    raise SystemExit(128 + number)


def main():
    stop_on_signals(leave_run)
    bin_dir, out_dir = sys.argv[1], sys.argv[2]
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 5.0
    name = sys.argv[4] if len(sys.argv) > 4 else "orlath"
    os.makedirs(out_dir, exist_ok=True)
    # The program empties the report at start-up anyway; one left by an
    # earlier run must not pass for this run's if this one writes none.
    report = os.path.join(bin_dir, "Debug.txt")
    if os.path.isfile(report):
        os.remove(report)
    marker = os.path.join(bin_dir, "vindrel.txt")
    made_marker = False
    # The program and the X server are in groups of their own, so that a
    # Ctrl+C reaches only this script, which ends them in order.
    session = XSession(1024, 768, 24, os.path.join(out_dir, "xvfb.log"))
    program = None
    output_path = os.path.join(out_dir, "program-output.txt")
    output = open(output_path, "wb")
    try:
        if not os.path.exists(marker):
            made_marker = True
            open(marker, "w").close()
        session.start(own_group=True)
        print("private X server on display " + session.display, flush=True)
        program = subprocess.Popen(
            ["./" + name], cwd=bin_dir, env=session.environment(),
            stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT,
            start_new_session=True)
        alive = lambda: program.poll() is None

        box = session.wait_for_window(TITLE, 30, alive=alive)
        print("start question found (window %s); answering No" % box.id,
              flush=True)
        session.tap(box, "Escape")
        session.wait_until_gone(box)
        window = session.wait_for_window(
            TITLE, 30, predicate=lambda w: w.id != box.id, alive=alive)
        width, height, x, y = session.geometry(window)
        print("render window %s: %dx%d at %d,%d" % (window.id, width, height, x, y))

        if name == "gallery":
            pages = gallery_walk.walk(
                session, window, output_path, out_dir, alive)
            for title, path in pages:
                print("page %r saved: %s" % (title, path))
            sheet = gallery_walk.contact_sheet(
                [path for _, path in pages],
                os.path.join(out_dir, "contact-sheet.png"))
            print("all pages on one sheet: " + sheet)
        else:
            time.sleep(seconds)
            screenshot = session.screenshot(
                os.path.join(out_dir, "screenshot.png"))
            print("screenshot saved: " + screenshot)

        print("holding Escape")
        session.hold(window, "Escape")
        status = program.wait(30)
        print("%s exited with status %d" % (name, status))
    finally:
        # Nothing may cut the clean-up short.
        stop_on_signals(signal.SIG_IGN)
        if program and program.poll() is None:
            program.kill()
            program.wait()
        output.close()
        session.stop()
        if made_marker:
            os.remove(marker)

    # The report is complete only once the program has closed it.
    if os.path.isfile(report):
        shutil.copy(report, os.path.join(out_dir, "Debug.txt"))
        print("Debug.txt saved: " + os.path.join(out_dir, "Debug.txt"))
    else:
        print("no Debug.txt was written")
        return 1
    return 0 if status == 27 else 1


if __name__ == "__main__":
    sys.exit(main())
