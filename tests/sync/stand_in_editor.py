#!/usr/bin/env python3
"""A stand-in sync editor against a kit demo built with SYNC_EDITOR ON:

  stand_in_editor.py --demo PROGRAM --tune TUNE.ogg --capture ORLATH-CAPTURE
  stand_in_editor.py --mingw BUILD-MINGW --tune TUNE.ogg

With --mingw the demo is built against that build's installed kit, as
sync_editor_demo.exe, and run under Wine on a private Xvfb (no capture there).

The demo (tests/sync/editor_demo.cpp) paints its two tracks and prints each
frame's row and pixel. The editor listens only after the demo has run a
while without one, greets it, takes its track names, and scripts every
command; it drops the connection and sends malformed commands, each time
waiting for the demo to come back. Last, a capture with an editor listening
never connects. Prints how long a key took to reach the picture.
"""

import argparse
import os
import re
import select
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
ARGS = None
STEP, LINEAR, SMOOTH = 0, 1, 2
# Under Wine: the run's prefix and display (setUpModule).
WINE = None
SESSION = None


def setUpModule():
    global WINE, SESSION
    if not ARGS.mingw:
        return
    import flavour
    from xsession import XSession
    root = tempfile.mkdtemp(prefix="orlath-sync-wine-")
    prefix, project = os.path.join(root, "prefix"), os.path.join(root, "project")
    os.makedirs(project)
    shutil.copy(os.path.join(HERE, "editor_demo.cpp"), project)
    with open(os.path.join(project, "CMakeLists.txt"), "w") as f:
        f.write("cmake_minimum_required(VERSION 3.16)\nproject(p CXX)\nfind_package(Orlath REQUIRED)\n"
                "orlath_add_demo(sync_editor_demo SOURCES editor_demo.cpp SYNC_EDITOR ON STARTUP_IMAGES OFF "
                "START WINDOW)\n")
    for step in (["cmake", "--install", ARGS.mingw, "--prefix", prefix],
                 ["cmake", "-S", project, "-B", os.path.join(project, "build"), "-DCMAKE_PREFIX_PATH=" + prefix,
                  "-DCMAKE_TOOLCHAIN_FILE=%s/share/orlath/mingw-w64.cmake" % prefix],
                 ["cmake", "--build", os.path.join(project, "build")]):
        result = subprocess.run(step, capture_output=True, env=dict(os.environ, CMAKE_BUILD_PARALLEL_LEVEL="2"))
        assert result.returncode == 0, result.stdout.decode() + result.stderr.decode()
    ARGS.demo = os.path.join(project, "build", "bin", "sync_editor_demo.exe")
    WINE = flavour.WINDOWS
    WINE.begin_run()
    SESSION = XSession(1024, 768, 24, os.path.join(root, "xvfb.log")).start()


def tearDownModule():
    if WINE:
        SESSION.stop()
        WINE.end_run()


class Demo:
    """The running demo and the frames it printed: (row, red, green)."""

    def __init__(self, folder, port):
        env = dict(os.environ, ORLATH_SYNC_EDITOR="127.0.0.1:%d" % port)
        command = [ARGS.demo]
        if WINE:
            env, command = WINE.environment(SESSION.environment(env)), WINE.command(ARGS.demo)
        self.process = subprocess.Popen(command, cwd=folder, env=env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.frames, self.began = [], []
        self.changed = threading.Condition()
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        for line in self.process.stdout:
            found = re.match(rb"frame \d+ row (-?\d+) pixel (\d+) (\d+)(?: began ([\d.]+))?", line)
            if found:
                with self.changed:
                    self.frames.append((time.monotonic(),) + tuple(int(v) for v in found.groups()[:3]))
                    self.began.append(found.group(4) and float(found.group(4)))
                    self.changed.notify_all()

    def wait(self, what, predicate, seconds=5.0, since=None):
        """The first frame printed from index `since` (default: now) on that matches."""
        at = len(self.frames) if since is None else since
        deadline = time.monotonic() + seconds
        with self.changed:
            while True:
                for frame in self.frames[at:]:
                    if predicate(frame[1:]):
                        return frame
                at = len(self.frames)
                left = deadline - time.monotonic()
                assert left > 0 and self.process.poll() is None, "no frame with %s (demo %s, last %s)" % (
                    what, "alive" if self.process.poll() is None else "gone", self.frames[-1:])
                self.changed.wait(left)

    def stop(self):
        self.process.kill()
        self.process.wait()
        self.process.stdout.close()
        if WINE:
            WINE.end_case()


class Editor:
    """One accepted connection: the greeting, then the demo's commands."""

    def __init__(self, listener, seconds=5.0):
        listener.settimeout(seconds)
        self.link, _ = listener.accept()
        self.link.settimeout(seconds)
        # Each command leaves at once, as an editor's should.
        self.link.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        assert self.take(19) == b"hello, synctracker!"
        self.link.sendall(b"hello, demo!")
        self.tracks, self.rows, self.closed = [], [], False
        self.arrived = threading.Condition()
        threading.Thread(target=self.read, daemon=True).start()

    def take(self, count):
        data = b""
        while len(data) < count:
            part = self.link.recv(count - len(data))
            if not part:
                raise EOFError
            data += part
        return data

    def read(self):
        try:
            while True:
                command = self.take(1)[0]
                value = struct.unpack(">I", self.take(4))[0]
                with self.arrived:
                    if command == 2:
                        self.tracks.append(self.take(value).decode())
                    else:
                        assert command == 3, command
                        self.rows.append(value)
                    self.arrived.notify_all()
        except (EOFError, OSError):
            with self.arrived:
                self.closed = True
                self.arrived.notify_all()

    def wait(self, predicate, seconds=5.0):
        with self.arrived:
            assert self.arrived.wait_for(lambda: predicate(self), seconds), "editor waited in vain"

    def send(self, *parts):
        self.link.sendall(b"".join(parts))

    def set_key(self, track, row, value, interpolation):
        return struct.pack(">BIIfB", 0, track, row, value, interpolation)

    def close(self):
        # A close alone waits for the reader's recv to return: with the demo
        # held, sending nothing, the link would stay up.
        try:
            self.link.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.link.close()


class StandInEditor(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="orlath-sync-")
        os.makedirs(os.path.join(self.root, "sync"))
        os.makedirs(os.path.join(self.root, "musica"))
        shutil.copy(ARGS.tune, os.path.join(self.root, "musica", "tune.ogg"))
        with open(os.path.join(self.root, "sync", "red.txt"), "w") as f:
            f.write("0 0.5 step\n")
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]

    def tearDown(self):
        self.listener.close()
        shutil.rmtree(self.root, ignore_errors=True)

    def test_every_command_against_a_running_demo(self):
        demo = Demo(self.root, self.port)
        try:
            # No editor yet: the demo plays its file's keys and keeps drawing.
            demo.wait("the file's red", lambda f: f[1] in (127, 128) and f[0] > 16, seconds=60)
            self.listener.listen(1)
            editor = Editor(self.listener)
            editor.wait(lambda e: len(e.tracks) == 2 and e.rows)
            self.assertEqual(editor.tracks, ["red", "probe:green"])
            # The editor's keys replace the file's: none yet.
            demo.wait("no keys", lambda f: f[1:] == (0, 0))

            since, sent = len(demo.frames), time.monotonic()
            editor.send(editor.set_key(1, 0, 0.25, STEP))
            shown = demo.wait("green from a key", lambda f: f[1:] == (0, 64), since=since)[0]
            print("SET_KEY to the frame that shows it: %.1f ms" % ((shown - sent) * 1000))
            # A key in three pieces, the row's high bytes first.
            key = editor.set_key(0, 64, 1.0, STEP) + editor.set_key(0, 0, 0.0, STEP)
            for piece in (key[:3], key[3:20], key[20:]):
                editor.send(piece)
                time.sleep(0.1)

            # Seeks, back then on, with the music or past its end: rows the
            # clock alone would not reach within the wait.
            editor.send(struct.pack(">BI", 3, 8))
            demo.wait("the seek back to row 8", lambda f: 8 <= f[0] < 16 and f[1] == 0, seconds=1)
            editor.send(struct.pack(">BI", 3, 64))
            row = demo.wait("the seek on to row 64", lambda f: 64 <= f[0] < 80 and f[1] == 255, seconds=1)[1]
            editor.wait(lambda e: any(r > row for r in e.rows))

            # Held: rows stop, in the picture and to the editor; the frame still draws.
            editor.send(struct.pack(">BB", 4, 1))
            time.sleep(0.3)
            with editor.arrived:
                told = len(editor.rows)
            held = demo.frames[-1][1]
            time.sleep(0.6)
            editor.send(struct.pack(">BII", 1, 1, 0))
            self.assertEqual(demo.wait("green deleted", lambda f: f[2] == 0)[1], held)
            self.assertEqual(len(editor.rows), told)
            editor.send(struct.pack(">BB", 4, 0))
            demo.wait("rows again", lambda f: f[0] > held)

            editor.send(editor.set_key(1, 32, 0.75, SMOOTH) + editor.set_key(1, 16, -1.5, LINEAR) + b"\x05")
            binary = os.path.join(self.root, "sync", "tracks_probe-3Agreen.track")
            deadline = time.monotonic() + 5
            while not os.path.exists(binary) and time.monotonic() < deadline:
                time.sleep(0.05)
            time.sleep(0.2)
            with open(binary, "rb") as f:
                self.assertEqual(f.read(), struct.pack("<iifBifB", 2, 16, -1.5, LINEAR, 32, 0.75, SMOOTH))
            with open(os.path.join(self.root, "sync", "tracks_red.track"), "rb") as f:
                self.assertEqual(f.read(), struct.pack("<iifBifB", 2, 0, 0.0, STEP, 64, 1.0, STEP))
            with open(os.path.join(self.root, "sync", "red.txt")) as f:
                self.assertEqual([line.split() for line in f if not line.startswith("#")],
                                 [["0", "0", "step"], ["64", "1", "step"]])

            # Gone: the demo goes on with the editor's keys, then comes back.
            editor.close()
            demo.wait("the editor's keys after the drop", lambda f: f[0] > row + 16 and f[1:] == (255, 191))
            for bad in [b"\x09", struct.pack(">BIIfB", 0, 2, 0, 1.0, 0), struct.pack(">BIIfB", 0, 0, 0, 1.0, 4),
                        struct.pack(">BII", 1, 7, 0), struct.pack(">BIIfB", 0, 0, 0, float("nan"), 0)]:
                editor = Editor(self.listener)
                editor.wait(lambda e: len(e.tracks) == 2)
                editor.send(bad)
                editor.wait(lambda e: e.closed, 3)
                editor.close()
                demo.wait("frames after %r" % bad, lambda f: True)
            self.assertIsNone(demo.process.poll())
        finally:
            demo.stop()

    def test_a_capture_never_asks_the_editor(self):
        if WINE:
            self.skipTest("capture is the layer's")
        self.listener.listen(1)
        frames = os.path.join(self.root, "frames")
        env = dict(os.environ, ORLATH_SYNC_EDITOR="127.0.0.1:%d" % self.port)
        capture = subprocess.run([ARGS.capture, "--frames", "40", "--out", frames, "--", ARGS.demo], cwd=self.root,
                                 env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
        self.assertEqual(capture.returncode, 0, capture.stderr.decode(errors="replace"))
        # The frames, and the tune it played beside them.
        self.assertEqual(sorted(os.listdir(frames))[-2:], ["frame-000039.png", "soundtrack.wav"])
        self.assertEqual(len(os.listdir(frames)), 41)
        self.assertEqual(select.select([self.listener], [], [], 0)[0], [], "the capture connected")
        # It played the file's keys.
        self.assertRegex(capture.stdout, rb"pixel 12[78] 0")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--demo")
    parser.add_argument("--tune", required=True)
    parser.add_argument("--capture")
    parser.add_argument("--mingw", help="the MinGW build, whose kit builds the demo for Wine")
    ARGS, rest = parser.parse_known_args()
    ARGS.demo = ARGS.demo and os.path.abspath(ARGS.demo)
    ARGS.mingw = ARGS.mingw and os.path.abspath(ARGS.mingw)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
