#!/usr/bin/env python3
"""The scripts' own behaviour: which valgrind records memcheck counts as
ours, and a headless demo run stopped halfway (ORLATH_PROGRAM: orlath)."""

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


class MemcheckOurs(unittest.TestCase):

    def test_only_a_first_frame_in_any_of_our_files_makes_an_error_ours(self):
        ours = ["Invalid read of size 4\n   at 0x1: f (%s:7)" % os.path.relpath(
                    os.path.join(root, name), TOP)
                for folder in ("app", "diag", "gallery", "image", "platform",
                               "scene", "text", "timing")
                for root, _, names in os.walk(os.path.join(TOP, folder))
                for name in names if name.endswith(".cpp")]
        ours.append("8 bytes in 1 blocks are definitely lost\n   at 0x1: "
                    "malloc (vg_replace_malloc.c:3)\n   by 0x2: f (image/tga_reader.cpp:5)")
        # A driver's file of the same name first, then one of ours.
        theirs = ("Invalid read of size 4\n   at 0x1: g (/usr/src/mesa/scene/scene.cpp:3)\n"
                  "   by 0x2: f (scene/scene.cpp:9)")
        log = "\n\n".join(ours + [theirs]).replace("\n", "\n==7== ")
        found = memcheck_ours.ours_in(log, memcheck_ours.our_sources())
        self.assertEqual(ours, list(found))


def running(pid):  # a zombie left to init counts as ended
    try:
        with open("/proc/%d/stat" % pid) as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


@unittest.skipUnless(os.environ.get("ORLATH_PROGRAM"), "needs ORLATH_PROGRAM")
class HeadlessDemo(unittest.TestCase):

    def test_stopped_midway_it_ends_its_children_and_keeps_no_old_report(self):
        program = os.environ["ORLATH_PROGRAM"]
        bin_dir = tempfile.mkdtemp(prefix="orlath-headless-")
        self.addCleanup(shutil.rmtree, bin_dir, True)
        os.symlink(program, os.path.join(bin_dir, "orlath"))
        os.symlink(os.path.join(os.path.dirname(program), "imagenes"),
                   os.path.join(bin_dir, "imagenes"))
        with open(os.path.join(bin_dir, "Debug.txt"), "w") as old:
            old.write("an earlier run's report\n")
        script = subprocess.Popen(
            [sys.executable, os.path.join(TOP, "scripts", "headless_demo.py"),
             bin_dir, os.path.join(bin_dir, "out"), "60"],
            stdout=subprocess.PIPE, text=True)
        children = []
        try:
            while not script.stdout.readline().startswith("start question"):
                self.assertIsNone(script.poll())
            with open("/proc/%d/task/%d/children" % (script.pid, script.pid)) as f:
                children = [int(pid) for pid in f.read().split()]
            self.assertGreaterEqual(len(children), 2)  # Xvfb, the program
            script.send_signal(signal.SIGTERM)
            status = script.wait(30)
            deadline = time.monotonic() + 5
            while any(map(running, children)) and time.monotonic() < deadline:
                time.sleep(0.1)
            self.assertEqual([], list(filter(running, children)))
            self.assertEqual(128 + signal.SIGTERM, status)
            self.assertFalse(os.path.exists(os.path.join(bin_dir, "vindrel.txt")))
            for report in ("Debug.txt", "out/Debug.txt"):
                if os.path.exists(os.path.join(bin_dir, report)):
                    with open(os.path.join(bin_dir, report)) as handle:
                        self.assertNotIn("earlier", handle.read())
        finally:
            script.stdout.close()
            for pid in filter(running, [script.pid] + children):
                os.kill(pid, signal.SIGKILL)
            script.wait()


if __name__ == "__main__":
    unittest.main()
