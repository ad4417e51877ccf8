"""Runs the program under test as a user would, one private world per test.

Each test gets its own Xvfb (xsession.py) and its own run folder: a fresh
temporary folder holding a copy of imagenes/ and, when asked, the report's
marker vindrel.txt. The program starts there as its working directory.
Everything a test leaves (screenshots, Debug.txt, the program's output) is
copied to <out>/<test name>/ so that a failure can be looked at afterwards.
"""

import os
import shutil
import struct
import subprocess
import tempfile
import time
import unittest

import flavour as flavours
import report
from xsession import XSession

# Set by run_e2e.py from its command line.
CONFIG = {"program": None, "images": None, "out": None}

START_TITLE = "Orlath - Brenvik!"
REBUILT_TITLE = "Kivo's OpenGL Framework"
FALLBACK_CAPTION = "Kivo GL"
SHUTDOWN_CAPTION = "SHUTDOWN ERROR"
WINDOW_SIZE = (640, 480)
ESCAPE_STATUS = 27


class ProgramRun:
    """The program under test, started in a run folder of its own."""

    def __init__(self, session, marker=True, program=None):
        self.session = session
        # Another program on the same shell (the gallery) may be named.
        self.program = program or CONFIG["program"]
        self.flavour = flavours.for_program(self.program)
        self.folder = tempfile.mkdtemp(prefix="orlath-e2e-")
        images = CONFIG["images"]
        if images and os.path.isdir(images):
            shutil.copytree(images, os.path.join(self.folder, "imagenes"))
        if marker:
            with open(self.path("vindrel.txt"), "w"):
                pass
        self.process = None
        self.output = None

    def path(self, name):
        return os.path.join(self.folder, name)

    def start(self):
        env = self.session.environment() if self.session else no_display()
        env = self.flavour.environment(env)
        self.output = open(self.path("program-output.txt"), "wb")
        self.process = subprocess.Popen(
            self.flavour.command(self.program), cwd=self.folder, env=env,
            stdin=subprocess.DEVNULL, stdout=self.output,
            stderr=subprocess.STDOUT)
        return self

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def wait(self, timeout=15.0):
        """The exit status; fails the test if the program does not end."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("program still running after %.0f s" % timeout)

    def stop(self):
        if self.alive():
            self.process.kill()
            self.process.wait()
        if self.output:
            self.output.close()
            self.output = None

    def output_bytes(self):
        with open(self.path("program-output.txt"), "rb") as handle:
            return handle.read()

    def report(self):
        """The bytes of Debug.txt, or None when there is no such file."""
        path = self.path("Debug.txt")
        if not os.path.isfile(path):
            return None
        with open(path, "rb") as handle:
            return handle.read()

    def remove(self, keep_in):
        os.makedirs(keep_in, exist_ok=True)
        for name in ("Debug.txt", "program-output.txt"):
            if os.path.isfile(self.path(name)):
                shutil.copy(self.path(name), os.path.join(keep_in, name))
        shutil.rmtree(self.folder, ignore_errors=True)


class ProgramTestCase(unittest.TestCase):
    """A test with its own X server and run folder, both ended afterwards."""

    def setUp(self):
        self.artifacts = os.path.join(CONFIG["out"], self._testMethodName)
        shutil.rmtree(self.artifacts, ignore_errors=True)
        os.makedirs(self.artifacts)
        self.session = None
        self.program = None

    def tearDown(self):
        if self.program:
            self.program.stop()
            # Under Wine the prefix's own processes end before their X
            # server does.
            self.program.flavour.end_case()
            self.program.remove(self.artifacts)
        if self.session:
            self.session.stop()

    def start(self, screen=(1024, 768, 24), marker=True, prepare=None,
              program=None, display=True):
        """Starts an X server and the program; prepare(run) runs before.
        With display False there is no X server and no DISPLAY."""
        if display:
            self.session = XSession(*screen, log_path=os.path.join(
                self.artifacts, "xvfb.log")).start()
        self.program = ProgramRun(self.session, marker, program)
        if prepare:
            prepare(self.program)
        self.program.start()
        return self.session, self.program

    # ---- what a user does

    def wait_for(self, title, timeout=20.0, predicate=None):
        window = self.session.wait_for_window(
            title, timeout, predicate, alive=self.program.alive)
        return self.program.flavour.find_client(self.session, window)

    def answer(self, caption, key):
        """Answers the message box with this caption: Return or Escape."""
        box = self.wait_for(caption)
        # A box mapped a moment ago may not take keys yet (seen once in
        # many runs, under load): press again while it stays up.
        for attempt in range(3):
            try:
                self.session.tap(box, key)
            except RuntimeError:
                pass  # gone between the look and the key
            try:
                self.session.wait_until_gone(box, 4.0 if attempt < 2 else 10.0)
                return box
            except AssertionError:
                if attempt == 2:
                    raise
        return box

    def answer_start_question(self, key):
        """Answers the start question; returns the render window."""
        box = self.answer(START_TITLE, key)
        return self.wait_for(START_TITLE, predicate=lambda w: w.id != box.id)

    def end_with_escape(self, window):
        # The status is the wParam of the last message the loop took. A
        # window just mapped may still owe the paint its exposure asked for
        # (wParam 0), which Win32 hands out after the key's messages; let
        # the loop take it first.
        time.sleep(0.5)
        self.session.hold(window, "Escape")
        return self.program.wait()

    def screenshot(self, name, window=None):
        path = os.path.join(self.artifacts, name)
        return self.session.screenshot(path, window)

    # ---- checks

    def assertClientGeometry(self, window, width, height, x=None, y=None):
        got = self.session.geometry(window)
        self.assertEqual((width, height), got[:2], "client size of %r" % window)
        if x is not None:
            self.assertEqual((x, y), got[2:], "position of %r" % window)

    def assertNormalReport(self):
        data = self.program.report()
        self.assertIsNotNone(data, "Debug.txt was not written")
        problem = report.mismatch(
            data, report.normal_run(self.program.flavour), self.program.flavour)
        if problem:
            self.fail(problem)
        return data

    def assertNoWindowTitled(self, title, for_seconds):
        deadline = time.monotonic() + for_seconds
        while time.monotonic() < deadline:
            shown = self.session.find_windows(title)
            self.assertEqual([], shown, "unexpected window %r" % title)
            time.sleep(0.1)


def no_display():
    """The environment of a terminal with no display at all."""
    env = dict(os.environ)
    for name in ("DISPLAY", "SDL_VIDEODRIVER", "WAYLAND_DISPLAY", "XAUTHORITY"):
        env.pop(name, None)
    return env


def png_size(path):
    with open(path, "rb") as handle:
        head = handle.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        raise AssertionError("%s is not a PNG file" % path)
    return struct.unpack(">II", head[16:24])
