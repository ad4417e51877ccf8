#!/usr/bin/env python3
"""The scripts' own behaviour: which valgrind records memcheck counts as
ours, and a headless demo run stopped halfway.

  test_scripts.py [--program build/bin/orlath] [unittest arguments]
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(TOP, "scripts"))

import memcheck_ours  # noqa: E402

PROGRAM = None
SYSTEM_FOLDERS = ("app", "diag", "gallery", "image", "platform", "scene",
                  "text", "timing")


class MemcheckFilter(unittest.TestCase):

    def test_only_a_first_frame_in_any_of_our_files_makes_an_error_ours(self):
        paths = sorted(os.path.relpath(os.path.join(root, name), TOP)
                       for folder in SYSTEM_FOLDERS
                       for root, _, names in os.walk(os.path.join(TOP, folder))
                       for name in names if name.endswith(".cpp"))
        ours = ["Invalid read of size 4\n   at 0x1: f (%s:7)\n"
                "   by 0x2: g (/usr/src/glibc/start.c:1)" % path
                for path in paths]
        ours.append("8 bytes in 1 blocks are definitely lost\n"
                    "   at 0x1: malloc (vg_replace_malloc.c:393)\n"
                    "   by 0x2: f (image/tga_reader.cpp:5)")
        # A driver file sharing a name with ours, then a frame of ours.
        theirs = ("Invalid read of size 4\n"
                  "   at 0x1: g (/usr/src/mesa/scene/scene.cpp:3)\n"
                  "   by 0x2: f (app/main_loop.cpp:9)")
        log = "\n\n".join("==7== " + r.replace("\n", "\n==7== ")
                          for r in ours + [theirs])
        found = memcheck_ours.ours_in(log, memcheck_ours.our_sources())
        self.assertEqual(ours, list(found))


def running(pid):
    """Alive and not a zombie (a reparented one may wait a while)."""
    try:
        with open("/proc/%d/stat" % pid) as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


class HeadlessDemo(unittest.TestCase):

    def setUp(self):
        if not PROGRAM:
            self.skipTest("needs --program")

    def test_stopped_midway_it_ends_its_children_and_keeps_no_old_report(self):
        bin_dir = tempfile.mkdtemp(prefix="orlath-headless-")
        os.symlink(PROGRAM, os.path.join(bin_dir, "orlath"))
        os.symlink(os.path.join(os.path.dirname(PROGRAM), "imagenes"),
                   os.path.join(bin_dir, "imagenes"))
        old = os.path.join(bin_dir, "Debug.txt")
        with open(old, "w") as handle:
            handle.write("an earlier run's report\n")
        script = subprocess.Popen(
            [sys.executable, os.path.join(TOP, "scripts", "headless_demo.py"),
             bin_dir, os.path.join(bin_dir, "out"), "60"],
            stdout=subprocess.PIPE, text=True)
        children = []
        try:
            for line in script.stdout:
                if line.startswith("start question found"):
                    break
            with open("/proc/%d/task/%d/children" % (script.pid, script.pid)) as f:
                children = [int(pid) for pid in f.read().split()]
            # Xvfb and the program, and maybe the xdotool of the answer.
            self.assertGreaterEqual(len(children), 2)
            script.send_signal(signal.SIGTERM)
            status = script.wait(30)
            deadline = time.monotonic() + 5
            while any(map(running, children)) and time.monotonic() < deadline:
                time.sleep(0.1)
            self.assertEqual([], list(filter(running, children)))
            self.assertEqual(128 + signal.SIGTERM, status)
            self.assertFalse(os.path.exists(os.path.join(bin_dir, "vindrel.txt")))
            for report in (old, os.path.join(bin_dir, "out", "Debug.txt")):
                if os.path.exists(report):
                    with open(report) as handle:
                        self.assertNotIn("earlier", handle.read())
        finally:
            script.stdout.close()
            for pid in [script.pid] + list(filter(running, children)):
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            script.wait()
            shutil.rmtree(bin_dir, ignore_errors=True)


if __name__ == "__main__":
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--program")
    known, rest = parser.parse_known_args()
    PROGRAM = known.program and os.path.abspath(known.program)
    unittest.main(argv=[sys.argv[0]] + rest)
