#!/usr/bin/env python3
"""The kit as a user meets it, in a temporary folder of its own:

  test_kit.py --build BUILD_DIR [--keep DIR]

install the kit into a prefix, start a demo with orlath-new-demo (after
its refusals), configure and build it out of tree against the prefix, and
run it on a private Xvfb: No to the start question, a picture that is not
the clear colour, Escape for status 27, and a report with the start-up
lines; then capture three frames of it with the installed orlath-capture. Then the Debian package of the kit and its file list. Prints how
long each step of the user path took.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

from xsession import XSession  # noqa: E402

TITLE = "Orlath - Brenvik!"
ARGS = None
STARTUP_LINES = [
    b"Nombre de proyecto: \"Orlath - Brenvik!\"\n",
    b"- Inicializando Timer ...\n",
    b"Nombre imagen/textura: imagenes/espacio.tga ID: 2 ... Ok.",
    b"Program shutdown. Nice!\n",
]


def run(args, **kwargs):
    return subprocess.run(args, stdin=subprocess.DEVNULL, capture_output=True, **kwargs)


class Kit(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="orlath-kit-")
        self.new_demo = os.path.join(ARGS.build, "bin", "orlath-new-demo")

    def tearDown(self):
        if ARGS.keep:
            shutil.rmtree(ARGS.keep, ignore_errors=True)
            shutil.copytree(self.root, ARGS.keep, symlinks=True)
        shutil.rmtree(self.root, ignore_errors=True)

    def step(self, what, args, **kwargs):
        started = time.monotonic()
        result = run(args, **kwargs)
        seconds = time.monotonic() - started
        print("%-28s %6.1f s" % (what, seconds))
        self.assertEqual(result.returncode, 0, "%s failed:\n%s%s" % (
            what, result.stdout.decode(errors="replace"), result.stderr.decode(errors="replace")))
        return seconds

    def test_new_demo_refuses_without_writing(self):
        src = os.path.join(self.root, "src")
        os.makedirs(os.path.join(src, "full"))
        with open(os.path.join(src, "full", "notes.txt"), "w") as f:
            f.write("mine\n")
        before = sorted(os.walk(src))
        cases = [
            (["3d"], b"not a C identifier"),
            (["my-demo"], b"not a C identifier"),
            (["test"], b"CMake keeps for itself"),
            (["fine", os.path.join(src, "full")], b"is not empty"),
            (["fine", os.path.join(src, "full", "notes.txt")], b"is not a folder"),
            ([], b"usage: orlath-new-demo"),
        ]
        for args, message in cases:
            result = run([self.new_demo] + args, cwd=src)
            self.assertEqual(result.returncode, 2, args)
            self.assertIn(message, result.stderr, args)
            self.assertEqual(result.stdout, b"", args)
        self.assertEqual(sorted(os.walk(src)), before)
        result = run([self.new_demo, "--help"])
        self.assertEqual((result.returncode, result.stderr), (0, b""))
        self.assertIn(b"usage: orlath-new-demo NAME [DIR]", result.stdout)

    def test_user_path_from_install_to_first_frame(self):
        prefix = os.path.join(self.root, "prefix")
        demo = os.path.join(self.root, "src", "mydemo")
        build = os.path.join(demo, "build")
        total = self.step("install the kit", ["cmake", "--install", ARGS.build, "--prefix", prefix])
        total += self.step("orlath-new-demo", [os.path.join(prefix, "bin", "orlath-new-demo"), "mydemo", demo])
        self.assertEqual(sorted(os.listdir(demo)), ["CMakeLists.txt", "README.md", "frame.cpp"])
        # A folder of music goes beside the program as musica/.
        os.mkdir(os.path.join(demo, "music"))
        shutil.copy(os.path.join(ARGS.build, "bin", "musica", "tune.ogg"), os.path.join(demo, "music"))
        with open(os.path.join(demo, "CMakeLists.txt")) as f:
            project = f.read()
        self.assertIn("SOURCES frame.cpp)", project)
        with open(os.path.join(demo, "CMakeLists.txt"), "w") as f:
            f.write(project.replace("SOURCES frame.cpp)", "SOURCES frame.cpp MUSIC music)"))
        total += self.step("configure the demo", [
            "cmake", "-S", demo, "-B", build, "-DCMAKE_PREFIX_PATH=" + prefix, "-DCMAKE_BUILD_TYPE=Release"])
        total += self.step("first build", ["cmake", "--build", build, "-j2"])
        bin_dir = os.path.join(build, "bin")
        self.assertEqual(sorted(os.listdir(os.path.join(bin_dir, "imagenes"))),
                         ["celvino.tga", "espacio.tga", "fuente.tga", "hola.tga"])
        self.assertEqual(os.listdir(os.path.join(bin_dir, "musica")), ["tune.ogg"])
        open(os.path.join(bin_dir, "vindrel.txt"), "w").close()

        session = XSession(1024, 768, 24, os.path.join(self.root, "xvfb.log")).start()
        program = None
        try:
            started = time.monotonic()
            program = subprocess.Popen(
                ["./mydemo"], cwd=bin_dir, env=session.environment(), stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            alive = lambda: program.poll() is None
            box = session.wait_for_window(TITLE, 30, alive=alive)
            session.tap(box, "Escape")
            session.wait_until_gone(box)
            window = session.wait_for_window(TITLE, 30, predicate=lambda w: w.id != box.id, alive=alive)
            print("%-28s %6.1f s (after the question)" % ("first frame", time.monotonic() - started))
            time.sleep(1.5)  # past the fade-in
            pixels = session.pixels(window)
            lit = sum(1 for i in range(0, len(pixels), 3 * 97) if max(pixels[i:i + 3]) > 16)
            self.assertGreater(lit, len(pixels) // (3 * 97) // 10, "the frame is the clear colour")
            session.hold(window, "Escape")
            self.assertEqual(program.wait(30), 27)
        finally:
            if program and program.poll() is None:
                program.kill()
                program.wait()
            session.stop()
        print("%-28s %6.1f s" % ("install to a built demo", total))
        with open(os.path.join(bin_dir, "Debug.txt"), "rb") as f:
            report = f.read()
        for line in STARTUP_LINES:
            self.assertIn(line, report)

        # The installed capture takes a demo built on the kit, as any program on the shell.
        capture = run([os.path.join(prefix, "bin", "orlath-capture"), "--frames", "3", "--out",
                       os.path.join(self.root, "frames"), "--", "./mydemo"], cwd=bin_dir)
        self.assertEqual(capture.returncode, 0, capture.stderr.decode(errors="replace"))
        self.assertEqual(sorted(os.listdir(os.path.join(self.root, "frames"))),
                         ["frame-%06d.png" % k for k in range(3)])

    def test_debian_package_holds_the_kit(self):
        packages = os.path.join(self.root, "packages")
        self.step("cpack -G DEB", ["cpack", "-G", "DEB", "-B", packages], cwd=ARGS.build)
        debs = [name for name in os.listdir(packages) if name.endswith(".deb")]
        self.assertEqual(len(debs), 1, os.listdir(packages))
        listing = run(["dpkg-deb", "-c", os.path.join(packages, debs[0])]).stdout.decode()
        for path in ["./usr/include/orlath/orlath.h", "./usr/include/orlath/scene/effects.h",
                     "./usr/lib/liborlath_core.a", "./usr/lib/cmake/Orlath/OrlathConfig.cmake",
                     "./usr/lib/cmake/Orlath/OrlathConfigVersion.cmake", "./usr/bin/orlath-new-demo",
                     "./usr/bin/tgacheck", "./usr/bin/orlath-capture", "./usr/share/orlath/shell/main_loop.cpp",
                     "./usr/share/orlath/imagenes/fuente.tga"]:
            self.assertIn(" " + path + "\n", listing)
        self.assertNotIn("test_hooks.h", listing)
        self.assertNotIn("layer_internal.h", listing)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--keep")
    ARGS, rest = parser.parse_known_args()
    ARGS.build = os.path.abspath(ARGS.build)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
