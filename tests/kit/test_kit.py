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
import re
import shlex
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

sys.path.insert(0, os.path.join(HERE, "..", "sync"))

import flavour  # noqa: E402
from stand_in_editor import Editor  # noqa: E402
from xsession import XSession  # noqa: E402

TOOLS = ["tgacheck", "mkimages", "atlasgen", "orlath-new-demo", "orlath-capture"]
# What a demo passes to build against the kit with MinGW.
MINGW_TOOLCHAIN = ["-DCMAKE_TOOLCHAIN_FILE=<kit>/share/orlath/mingw-w64.cmake"]
# What <windows.h> defines that an ordinary name runs into.
WINDOWS_WORDS = "near far NEAR FAR pascal PASCAL cdecl CDECL IN OUT OPTIONAL CONST VOID".split()
ARGS = None
# The live test's probe, put into the template's frame.cpp.
PROBE = r"""#include <stdio.h>
static void Probe(const char* when)
{
    unsigned names = 0;
    for (GLuint name = 1; name < 1000; ++name)
        names += glIsTexture(name);
    fprintf(stderr, "probe %s %p %u %d %u %.3f %d\n", when, (void*)wglGetCurrentContext(), SlotTextureName(GLOW_SLOT),
            glIsTexture(SlotTextureName(GLOW_SLOT)), names, ElapsedSeconds(), musicPlaying);
    fflush(stderr);
}

"""
STARTUP_LINES = [
    b"Nombre de proyecto: \"mydemo\"\n",
    b"- Inicializando Timer ...\n",
    b"Nombre imagen/textura: imagenes/espacio.tga ID: 2 ... Ok.",
    b"Nombre imagen/textura: imagenes/brillo.png ID: 3 ... ",
    # The template plays the kit's tune, copied beside it as musica/.
    b"\nM\xfasica: musica/tune.ogg ... ",
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
        result = self.last = run(args, **kwargs)
        seconds = time.monotonic() - started
        print("%-28s %6.1f s" % (what, seconds))
        self.assertEqual(result.returncode, 0, "%s failed:\n%s%s" % (
            what, result.stdout.decode(errors="replace"), result.stderr.decode(errors="replace")))
        return seconds

    def test_tools_refuse_without_writing(self):
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
        # Every tool: --help or -h alone is the usage; an unknown option, or
        # the usage asked for in the wrong place, is refused.
        for tool in TOOLS:
            program = os.path.join(ARGS.build, "bin", tool)
            for args in (["--help"], ["-h"]):
                result = run([program] + args, cwd=src)
                self.assertEqual((result.returncode, result.stderr), (0, b""), (tool, args))
                self.assertIn(b"usage: " + tool.encode(), result.stdout.lower(), tool)
            # orlath-capture hands what follows its program on to that program.
            wrong = [["--bogus"]] + [["x", "--bogus"], ["x", "-h"]] * (tool != "orlath-capture")
            for args in wrong:
                result = run([program] + args, cwd=src)
                self.assertEqual((result.returncode, result.stdout), (2, b""), (tool, args))
                self.assertIn(b"unknown option " + args[-1].encode() if args[-1] == "--bogus" else b"usage: ",
                              result.stderr.lower(), (tool, args))
        self.assertEqual(sorted(os.walk(src)), before)
        result = run([self.new_demo, "--help"])
        self.assertIn(b"usage: orlath-new-demo NAME [DIR]", result.stdout)
        result = run([os.path.join(ARGS.build, "bin", "mkimages"), os.path.join(self.root, "new", "folder")])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(len(os.listdir(os.path.join(self.root, "new", "folder"))), 4)

    def test_user_path_from_install_to_first_frame(self):
        prefix = os.path.join(self.root, "prefix")
        demo = os.path.join(self.root, "src", "my demos", "mydemo")
        bin_dir = os.path.join(demo, "build", "bin")
        total = self.step("install the kit", ["cmake", "--install", ARGS.build, "--prefix", prefix])
        with open(os.path.join(HERE, "..", "..", "README.md")) as f:
            holds = re.search(r"\*\*What the kit holds\.\*\*(.*?)\n\n", f.read(), re.S).group(1)
        for program in os.listdir(os.path.join(prefix, "bin")):
            self.assertIn("`%s`" % program, holds)
        self.assertWindowsWordsRefused(os.path.join(prefix, "include"))
        total += self.step("orlath-new-demo", [os.path.join(prefix, "bin", "orlath-new-demo"), "mydemo", demo])
        self.assertEqual(sorted(os.listdir(demo)), ["CMakeLists.txt", "README.md", "frame.cpp", "sync"])
        # Its next steps as it prints them, in a folder with a space: the kit's prefix, quoted paths.
        configure, build_and_run = self.last.stdout.decode().split("next:\n")[1].splitlines()
        parallel = dict(os.environ, CMAKE_BUILD_PARALLEL_LEVEL="2")
        total += self.step("configure the demo", ["bash", "-c", configure])
        total += self.step("first build", ["bash", "-c", build_and_run.replace("./mydemo", "pwd")], env=parallel)
        self.assertEqual(self.last.stdout.decode().splitlines()[-1], bin_dir)
        self.assertEqual(sorted(os.listdir(os.path.join(bin_dir, "imagenes"))),
                         ["brillo.png", "celvino.tga", "espacio.tga", "fuente.tga", "hola.tga"])
        self.assertEqual(os.listdir(os.path.join(bin_dir, "musica")), ["tune.ogg"])
        self.assertEqual(os.listdir(os.path.join(bin_dir, "sync")), ["hop.txt"])
        open(os.path.join(bin_dir, "vindrel.txt"), "w").close()

        session = XSession(1024, 768, 24, os.path.join(self.root, "xvfb.log")).start()
        program = None
        try:
            started = time.monotonic()
            program = subprocess.Popen(
                ["./mydemo"], cwd=bin_dir, env=session.environment(), stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            alive = lambda: program.poll() is None
            box = session.wait_for_window("mydemo", 30, alive=alive)
            session.tap(box, "Escape")
            session.wait_until_gone(box)
            window = session.wait_for_window("mydemo", 30, predicate=lambda w: w.id != box.id, alive=alive)
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
        self.assertNotIn(b"Error", report)
        self.assertNotIn(b"rechazada", report)  # the template's sync track loads

        # The installed capture takes a demo built on the kit, as any program on the shell, with its tune.
        capture = run([os.path.join(prefix, "bin", "orlath-capture"), "--frames", "3", "--out",
                       os.path.join(self.root, "frames"), "--", "./mydemo"], cwd=bin_dir)
        self.assertEqual(capture.returncode, 0, capture.stderr.decode(errors="replace"))
        self.assertEqual(sorted(os.listdir(os.path.join(self.root, "frames"))),
                         ["frame-%06d.png" % k for k in range(3)] + ["soundtrack.wav"])

    def test_live_demo_takes_a_saved_frame(self):
        self.live_demo_takes_a_saved_frame(ARGS.build, [], flavour.LINUX, "mydemo_live.so")

    def test_windows_live_demo_takes_a_saved_frame(self):
        if not ARGS.mingw:
            self.skipTest("needs --mingw")
        self.live_demo_takes_a_saved_frame(ARGS.mingw, MINGW_TOOLCHAIN, flavour.WINDOWS, "mydemo_live.dll")

    def live_demo_takes_a_saved_frame(self, kit_build, toolchain, system, object_name):
        """The template built LIVE ON, its watcher running: a saved frame.cpp is drawn in the same window and GL
        context, with the old code's texture and the music's place; ten more swaps leave as many textures."""
        prefix, demo = os.path.join(self.root, "prefix"), os.path.join(self.root, "live")
        build = os.path.join(demo, "build")
        bin_dir = os.path.join(build, "bin")
        self.step("install the kit", ["cmake", "--install", kit_build, "--prefix", prefix])
        self.step("orlath-new-demo", [self.new_demo, "mydemo", demo])
        # Each version says, at StopDemo, at StartDemo's start and at its first frame, its context, the glow
        # slot's texture, how many textures there are, and the clock (the music's position).
        with open(os.path.join(demo, "frame.cpp")) as f:
            frame = f.read()
        frame = frame.replace("bool StartDemo()\n{\n", PROBE + "bool StartDemo()\n{\n    Probe(\"start\");\n")
        frame = frame.replace("void StopDemo()\n{\n", "void StopDemo()\n{\n    Probe(\"stop\");\n")
        frame = frame.replace("int RenderFrame()\n{\n", "int RenderFrame()\n{\n    static bool probed = false;\n"
                              "    if (!probed)\n        Probe(\"frame\");\n    probed = true;\n")
        self.assertEqual(frame.count("Probe("), 4)
        with open(os.path.join(demo, "frame.cpp"), "w") as f:
            f.write(frame)
        self.step("configure LIVE ON", ["cmake", "-S", demo, "-B", build, "-DCMAKE_PREFIX_PATH=" + prefix, "-DLIVE=ON"]
                  + [a.replace("<kit>", prefix) for a in toolchain])
        self.step("build", ["cmake", "--build", build], env=dict(os.environ, CMAKE_BUILD_PARALLEL_LEVEL="2"))
        self.assertTrue(os.path.isfile(os.path.join(bin_dir, object_name)))
        system.begin_run()
        session = XSession(1024, 768, 24, os.path.join(self.root, "xvfb.log")).start()
        program = watcher = None
        said = []
        swaps = lambda: sum(b"swapped in" in line for line in said)

        def wait_for_swap(count):
            since = time.monotonic()
            while swaps() < count and time.monotonic() < since + 60:
                time.sleep(0.02)
            self.assertEqual(swaps(), count, b"".join(said))
            return time.monotonic() - since
        try:
            program = subprocess.Popen(system.command(os.path.join(bin_dir, "mydemo" + (".exe" if toolchain else "")))
                                       + ["--window"], cwd=bin_dir, env=system.environment(session.environment()),
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            threading.Thread(target=lambda: said.extend(program.stderr), daemon=True).start()
            window = system.find_client(session, session.wait_for_window("mydemo", 60, alive=lambda: program.poll() is None))
            watcher = subprocess.Popen(["cmake", "-P", os.path.join(build, "live-mydemo.cmake")],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(1.5)  # past the fade-in, and the watcher has looked once
            red = lambda: sum(1 for i in range(0, len(pixels), 3 * 97) if pixels[i] > 200 and pixels[i + 1] < 50)
            pixels = session.pixels(window)
            self.assertLess(red(), len(pixels) // (3 * 97) // 10)
            with open(os.path.join(demo, "frame.cpp"), "w") as f:
                f.write(frame.replace("    DrawBackdrop(2);\n", "    glClearColor(1, 0, 0, 1);\n"
                                      "    glClear(GL_COLOR_BUFFER_BIT);\n    return 1;\n"))
            print("%-28s %6.1f s" % ("saved to swapped", wait_for_swap(1)))
            time.sleep(0.3)
            pixels = session.pixels(window)
            self.assertGreater(red(), len(pixels) // (3 * 97) * 9 // 10, b"".join(said))
            self.assertEqual(len(session.find_windows("mydemo")), 1)
            # The same object again under a new time: swapped in as a rebuilt one.
            stamp = os.stat(os.path.join(bin_dir, object_name)).st_mtime_ns
            for k in range(10):
                os.utime(os.path.join(bin_dir, object_name), ns=(stamp + (k + 1) * 10**9,) * 2)
                wait_for_swap(k + 2)
                time.sleep(0.1)
            session.hold(window, "Escape")
            self.assertEqual(program.wait(30), 27)
        finally:
            for child in (watcher, program):
                if child and child.poll() is None:
                    child.kill()
                    child.wait()
            system.end_case()
            session.stop()
            system.end_run()
        self.assertEqual(swaps(), 11, b"".join(said))
        probes = [line.split()[1:] for line in said if line.startswith(b"probe ")]
        self.assertEqual([p[0] for p in probes], [b"start", b"frame"] + [b"stop", b"start", b"frame"] * 11)
        first, rest = probes[:2], probes[2:]
        glow, names = first[1][2], first[1][4]  # made by the first version's StartDemo
        self.assertNotEqual(glow, b"0")
        for when, context, slot, texture, count, clock, music in rest:
            self.assertEqual((context, slot, texture, music), (first[0][1], glow, b"1", b"1"), probes)
        # As many textures at each StopDemo and first frame (StopDemo itself frees the atlas's).
        self.assertEqual([p[4] for p in rest if p[0] != b"start"], [names] * 22, probes)
        # The music's place goes on from each StopDemo into the next version's first frame.
        for stop, drawn in zip(rest[0::3], rest[2::3]):
            self.assertTrue(0 <= float(drawn[5]) - float(stop[5]) < 1.0, probes)
        # The loaded copies are gone once the program is.
        self.assertEqual([name for name in os.listdir(bin_dir) if name.startswith("mydemo_live")], [object_name])

    def test_sync_editor_drives_the_template(self):
        self.sync_editor_drives_the_template(ARGS.build, [], flavour.LINUX, "mydemo")

    def test_windows_sync_editor_drives_the_template(self):
        if not ARGS.mingw:
            self.skipTest("needs --mingw")
        self.sync_editor_drives_the_template(ARGS.mingw, MINGW_TOOLCHAIN, flavour.WINDOWS, "mydemo.exe")

    def sync_editor_drives_the_template(self, kit_build, toolchain, system, program_name):
        """The template configured -DSYNC_EDITOR=ON, driven by the stand-in editor; then (on our layer) its
        saved tracks captured."""
        prefix, demo = os.path.join(self.root, "prefix"), os.path.join(self.root, "syncdemo")
        build = os.path.join(demo, "build")
        bin_dir, sync_dir = os.path.join(build, "bin"), os.path.join(build, "bin", "sync")
        self.step("install the kit", ["cmake", "--install", kit_build, "--prefix", prefix])
        self.step("orlath-new-demo", [self.new_demo, "mydemo", demo])
        self.step("configure SYNC_EDITOR ON", ["cmake", "-S", demo, "-B", build, "-DCMAKE_PREFIX_PATH=" + prefix,
                                               "-DSYNC_EDITOR=ON"] + [a.replace("<kit>", prefix) for a in toolchain])
        self.step("build", ["cmake", "--build", build], env=dict(os.environ, CMAKE_BUILD_PARALLEL_LEVEL="2"))
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        keys = [(0, 2.5, 1), (32, -1.0, 2), (64, 0.25, 0)]  # row, value, interpolation (linear, smooth, step)
        system.begin_run()
        session = XSession(1024, 768, 24, os.path.join(self.root, "xvfb.log")).start()
        program = None
        try:
            env = dict(system.environment(session.environment()), ORLATH_SYNC_EDITOR="127.0.0.1:%d" % listener.getsockname()[1])
            program = subprocess.Popen(system.command(os.path.join(bin_dir, program_name)) + ["--window"], cwd=bin_dir,
                                       env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            window = system.find_client(session, session.wait_for_window("mydemo", 60, alive=lambda: program.poll() is None))
            shot = lambda: time.sleep(0.4) or session.pixels(window)
            differs = lambda a, b: sum(a[i] != b[i] for i in range(0, len(a), 97)) > len(a) // 97 // 20
            listener.listen(1)
            editor = Editor(listener, 30)
            editor.wait(lambda e: e.tracks == ["hop"] and e.rows, 10)
            # Seeks on and back: the rows the demo sends jump.
            with editor.arrived:
                told, last = len(editor.rows), editor.rows[-1]
            self.assertLess(last, 96)
            for row in (112, 40):
                editor.send(struct.pack(">BI", 3, row))
                editor.wait(lambda e: any(row <= r < row + 16 for r in e.rows[told:]))
                told = len(editor.rows)
            editor.wait(lambda e: e.rows[-1] >= 56)  # past the fade-in
            # Paused, the picture holds; a key far up moves the emblems, deleting it puts them back.
            editor.send(struct.pack(">BB", 4, 1))
            held = shot()
            self.assertTrue(shot() == held, "the paused picture moved")
            editor.send(editor.set_key(0, 0, 3.0, 0))
            self.assertTrue(differs(shot(), held))
            editor.send(struct.pack(">BII", 1, 0, 0))
            self.assertTrue(shot() == held, "the deleted key's picture stayed")
            editor.send(struct.pack(">BB", 4, 0))
            self.assertTrue(differs(shot(), held))
            # Saved: both files beside the program hold the editor's keys.
            for key in keys:
                editor.send(editor.set_key(0, *key))
            editor.send(b"\x05")
            binary = os.path.join(sync_dir, "tracks_hop.track")
            deadline = time.monotonic() + 10
            while not os.path.exists(binary) and time.monotonic() < deadline:
                time.sleep(0.05)
            time.sleep(0.3)
            with open(binary, "rb") as f:
                self.assertEqual(f.read(), b"".join([struct.pack("<i", 3)] + [struct.pack("<ifB", *k) for k in keys]))
            with open(os.path.join(sync_dir, "hop.txt")) as f:
                self.assertEqual([line.split() for line in f if not line.startswith("#")],
                                 [["0", "2.5", "linear"], ["32", "-1", "smooth"], ["64", "0.25", "step"]])
            # Dropped while paused: the demo runs on, its window up and its frames moving.
            editor.send(struct.pack(">BB", 4, 1))
            time.sleep(0.3)
            editor.close()
            before = shot()
            self.assertIsNone(program.poll(), "the demo ended with its editor")
            self.assertTrue(differs(shot(), before), "the demo stayed held by an editor that is gone")
            self.assertEqual(len(session.find_windows("mydemo")), 1)
            session.hold(window, "Escape")
            self.assertEqual(program.wait(30), 27)
        finally:
            listener.close()
            if program and program.poll() is None:
                program.kill()
                program.wait()
            system.end_case()
            session.stop()
            system.end_run()
        if system is not flavour.LINUX:
            return
        # A capture plays the saved files: the text, the binary alone and a hand-written text alike, the
        # shipped track not.
        def capture(files):
            shutil.rmtree(sync_dir)
            shutil.copytree(files, sync_dir)
            out = os.path.join(self.root, "frames")
            shutil.rmtree(out, ignore_errors=True)
            result = run([os.path.join(prefix, "bin", "orlath-capture"), "--fps", "4", "--frames", "8", "--out", out,
                          "--", "./mydemo"], cwd=bin_dir, timeout=120)
            self.assertEqual(result.returncode, 0, result.stderr.decode(errors="replace"))
            # Built to look for an editor (no variable names one here), it was told there is no network.
            with open(os.path.join(bin_dir, "Debug.txt"), "rb") as f:
                self.assertIn(b"Editor de sincron\xeda: sin red, se usan los ficheros", f.read())
            with open(os.path.join(out, "frame-000007.png"), "rb") as f:
                return f.read()
        open(os.path.join(bin_dir, "vindrel.txt"), "w").close()  # the report's marker
        saved, alone, written = (os.path.join(self.root, name) for name in ("saved", "alone", "written"))
        shutil.copytree(sync_dir, saved)
        shutil.copytree(sync_dir, alone)
        os.remove(os.path.join(alone, "hop.txt"))
        os.makedirs(written)
        with open(os.path.join(written, "hop.txt"), "w") as f:
            f.write("0 2.5 linear\n32 -1 smooth\n64 0.25 step\n")
        frame = capture(saved)
        self.assertEqual(capture(alone), frame)
        self.assertEqual(capture(written), frame)
        self.assertNotEqual(capture(os.path.join(demo, "sync")), frame)

    def assertWindowsWordsRefused(self, include):
        source = os.path.join(self.root, "words.cpp")
        for word in WINDOWS_WORDS + ["fine"]:
            with open(source, "w") as f:
                f.write("#include <orlath/orlath.h>\nint %s = 1;\n" % word)
            result = run(["c++", "-fsyntax-only", "-I" + include, "-I" + os.path.join(include, "orlath"), source])
            self.assertEqual(result.returncode == 0, word == "fine", word)

    def test_demo_arguments_and_the_kit_of_another_build(self):
        prefix = os.path.join(self.root, "prefix")
        project = os.path.join(self.root, "project")
        self.step("install the kit", ["cmake", "--install", ARGS.build, "--prefix", prefix])
        os.makedirs(os.path.join(project, "images"))
        with open(os.path.join(project, "CMakeLists.txt"), "w", encoding="utf-8") as f:
            f.write("cmake_minimum_required(VERSION 3.18)\nproject(p CXX)\nfind_package(Orlath REQUIRED)\n"
                    "cmake_language(EVAL CODE \"orlath_add_demo(d SOURCES frame.cpp ${ARGS})\")\n"
                    "get_target_property(defs d COMPILE_DEFINITIONS)\nmessage(STATUS \"defs ${defs}\")\n")
        open(os.path.join(project, "frame.cpp"), "w").close()
        configure = ["cmake", "-S", project, "-B", os.path.join(project, "build"), "-DCMAKE_PREFIX_PATH=" + prefix]
        for args, wanted in [
                ("IMAGE images", b"unknown option IMAGE (did you mean IMAGES?)"),
                ("images images", b"unknown option images (did you mean IMAGES?)"),
                ("BITMAP_FONTS ON", b"unknown option BITMAP_FONTS (did you mean BITMAP_FONT?)"),
                ("IMAGES images COLOUR ON", b"unknown option COLOUR (the options are SOURCES, IMAGES,"),
                ("CLOCK maybe", b"CLOCK must be ON or OFF, not 'maybe'"),
                ("LIVE maybe", b"LIVE must be ON or OFF, not 'maybe'"),
                ("SIZE 800", b"SIZE takes a width and a height in pixels, not '800'"),
                ("SIZE 800 0", b"SIZE takes a width and a height in pixels, not '800;0'"),
                ("START SOMETIMES", b"START must be ASK, WINDOW or FULLSCREEN, not 'SOMETIMES'"),
                ("TITLE", b"TITLE must be a non-empty line of Windows-1252"),
                ("TITLE \\\"a\\\\b\\\" START window", b"TITLE must be a non-empty line of Windows-1252"),
                ("TITLE \u65e5", b"TITLE must be a non-empty line of Windows-1252"),
                ("TITLE T\u00e9 SIZE 8 6 START fullscreen", b"ORLATH_DEMO_TITLE=\"T\\xE9\" \"\";ORLATH_DEMO_WIDTH=8;ORLATH_DEMO_HEIGHT=6;ORLATH_DEMO_START=2"),
                ("SYNCH images", b"unknown option SYNCH (did you mean SYNC?)"),
                ("SYNC nowhere", b"SYNC " + project.encode() + b"/nowhere is not a folder"),
                ("SYNC images", b"=0;ORLATH_ENABLE_CLOCK=1;ORLATH_ENABLE_STARTUP_IMAGES=1"),
                ("BITMAP_FONT yes CLOCK n STARTUP_IMAGES on", b"=1;ORLATH_ENABLE_CLOCK=0;ORLATH_ENABLE_STARTUP_IMAGES=1"),
                ("BITMAP_FONT Y CLOCK false STARTUP_IMAGES 0", b"=1;ORLATH_ENABLE_CLOCK=0;ORLATH_ENABLE_STARTUP_IMAGES=0"),
                ("BITMAP_FONT True CLOCK Off STARTUP_IMAGES 1", b"=1;ORLATH_ENABLE_CLOCK=0;ORLATH_ENABLE_STARTUP_IMAGES=1")]:
            result = run(configure + ["-DARGS=" + args])
            self.assertIn(wanted, b" ".join((result.stdout + result.stderr).split()), args)
            self.assertEqual(result.returncode == 0, wanted.startswith((b"=", b"ORLATH")), args)
        if shutil.which("emcmake"):
            result = run(["emcmake"] + configure[:4] + [os.path.join(project, "build-web"), "-DCMAKE_FIND_ROOT_PATH=" + prefix])
            self.assertNotEqual(result.returncode, 0)
            self.assertIn(b"needs the kit of a web build", b" ".join(result.stderr.split()))

    def build_night_drive(self, kit_build, toolchain=(), title="Night Drive"):
        """Night Drive (TITLE, SIZE 800 600, START WINDOW) against kit_build's
        installed kit; its run folder."""
        prefix = os.path.join(self.root, "prefix")
        project = os.path.join(self.root, "project")
        self.step("install the kit", ["cmake", "--install", kit_build, "--prefix", prefix])
        os.makedirs(project)
        with open(os.path.join(project, "CMakeLists.txt"), "w", encoding="utf-8") as f:
            f.write("cmake_minimum_required(VERSION 3.16)\nproject(p CXX)\nfind_package(Orlath REQUIRED)\n"
                    "orlath_add_demo(night SOURCES frame.cpp TITLE \"%s\" SIZE 800 600 START WINDOW)\n" % title)
        with open(os.path.join(project, "frame.cpp"), "w") as f:
            f.write("#include <orlath/orlath.h>\nint RenderFrame() { glClear(GL_COLOR_BUFFER_BIT); return 1; }\n")
        self.step("configure", ["cmake", "-S", project, "-B", os.path.join(project, "build"),
                                "-DCMAKE_PREFIX_PATH=" + prefix] + [a.replace("<kit>", prefix) for a in toolchain])
        self.step("build", ["cmake", "--build", os.path.join(project, "build")],
                  env=dict(os.environ, CMAKE_BUILD_PARALLEL_LEVEL="2"))
        return os.path.join(project, "build", "bin")

    def test_windows_demo_with_its_own_title_size_and_start(self):
        # The MinGW kit's demo under Wine: no window manager, so Wine draws
        # the frame and the client area is the top-level window's child.
        if not ARGS.mingw:
            self.skipTest("needs --mingw")
        bin_dir = self.build_night_drive(ARGS.mingw, MINGW_TOOLCHAIN)
        wine = flavour.WINDOWS
        wine.begin_run()
        session = XSession(1024, 768, 24, os.path.join(self.root, "xvfb.log")).start()
        try:
            for flags in [[], ["--ask"]]:
                program = subprocess.Popen(wine.command(os.path.join(bin_dir, "night.exe")) + flags, cwd=bin_dir,
                                           env=wine.environment(session.environment()), stdin=subprocess.DEVNULL,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                try:
                    alive = lambda: program.poll() is None
                    client = lambda w: session.geometry(wine.find_client(session, w))[:2]
                    first = session.wait_for_window("Night Drive", 60, alive=alive)
                    if flags:
                        self.assertNotEqual(client(first), (800, 600), "no question asked")
                        session.tap(first, "Escape")
                        session.wait_until_gone(first)
                    window = session.wait_for_window("Night Drive", 60, alive=alive,
                                                     predicate=lambda w: client(w) == (800, 600))
                    time.sleep(0.5)
                    self.assertEqual([client(w) for w in session.find_windows("Night Drive")], [(800, 600)])
                    session.hold(window, "Escape")
                    self.assertEqual(program.wait(30), 27)
                finally:
                    if program.poll() is None:
                        program.kill()
                        program.wait()
                    wine.end_case()
        finally:
            session.stop()
            wine.end_run()

    def test_demo_with_its_own_title_size_and_start(self):
        # A title beyond ASCII reaches the window as written and the report
        # in the system's code page.
        title = "Night Drive \u00d1"
        bin_dir = self.build_night_drive(ARGS.build, title=title)
        open(os.path.join(bin_dir, "vindrel.txt"), "w").close()  # the report's marker
        refused = run(["./night", "--windowed"], cwd=bin_dir, timeout=30)
        self.assertEqual(refused.returncode, 2)
        self.assertIn(b"usage: night [--window | --fullscreen | --ask]", refused.stderr)

        session = XSession(1024, 768, 24, os.path.join(self.root, "xvfb.log")).start()
        session.add_mode(800, 600)
        try:
            for flags in [[], ["--ask"]]:
                program = subprocess.Popen(["./night"] + flags, cwd=bin_dir, env=session.environment(),
                                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL)
                try:
                    alive = lambda: program.poll() is None
                    first = session.wait_for_window(title, 30, alive=alive)
                    if flags:
                        self.assertNotEqual((first.width, first.height), (800, 600), "no question asked")
                        session.tap(first, "Escape")
                        session.wait_until_gone(first)
                    window = session.wait_for_window(
                        title, 30, alive=alive, predicate=lambda w: (w.width, w.height) == (800, 600))
                    time.sleep(0.5)
                    self.assertEqual([(w.width, w.height) for w in session.find_windows(title)], [(800, 600)])
                    if flags:
                        # F1 into full screen: the screen's 800x600 mode, under the same title.
                        session.hold(window, "F1")
                        old = window.id
                        window = session.wait_for_window(title, 30, alive=alive,
                                                         predicate=lambda w: w.id != old)
                        self.assertEqual(session.modes()[1], "800x600")
                    session.hold(window, "Escape")
                    self.assertEqual(program.wait(30), 27)
                    with open(os.path.join(bin_dir, "Debug.txt"), "rb") as f:
                        self.assertIn(b'"Night Drive \xd1"\nINTERFACE -> Resoluci\xf3n 800x600 32bpp', f.read())
                finally:
                    if program.poll() is None:
                        program.kill()
                        program.wait()
        finally:
            session.stop()

    def test_debian_package_holds_the_kit(self):
        packages = os.path.join(self.root, "packages")
        self.step("cpack -G DEB", ["cpack", "-G", "DEB", "-B", packages], cwd=ARGS.build)
        debs = [name for name in os.listdir(packages) if name.endswith(".deb")]
        self.assertEqual(len(debs), 1, os.listdir(packages))
        listing = run(["dpkg-deb", "-c", os.path.join(packages, debs[0])]).stdout.decode()
        for path in ["./usr/include/orlath/orlath.h", "./usr/include/orlath/scene/effects.h",
                     "./usr/include/orlath/sync/sync_tracks.h",
                     "./usr/lib/liborlath_core.a", "./usr/lib/cmake/Orlath/OrlathConfig.cmake",
                     "./usr/lib/cmake/Orlath/OrlathConfigVersion.cmake", "./usr/bin/orlath-new-demo",
                     "./usr/bin/tgacheck", "./usr/bin/orlath-capture", "./usr/share/orlath/shell/main_loop.cpp",
                     "./usr/share/orlath/imagenes/fuente.tga", "./usr/share/orlath/imagenes/brillo.png",
                     "./usr/include/orlath/scene/pixel_view.h", "./usr/include/orlath/image/image_file.h",
                     "./usr/share/orlath/shell/live_host.cpp", "./usr/lib/cmake/Orlath/OrlathLiveWatch.cmake"]:
            self.assertIn(" " + path + "\n", listing)
        fields = run(["dpkg-deb", "-f", os.path.join(packages, debs[0]), "Depends", "Recommends"]).stdout
        self.assertRegex(fields, rb"Depends: .*\blibpng16-16\b.*\bfonts-liberation\b")
        self.assertRegex(fields, rb"Recommends: ffmpeg\b")
        self.assertNotIn("test_hooks.h", listing)
        self.assertNotIn("layer_internal.h", listing)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--keep")
    parser.add_argument("--mingw", help="the MinGW build, for the Windows demo under Wine")
    ARGS, rest = parser.parse_known_args()
    ARGS.build = os.path.abspath(ARGS.build)
    ARGS.mingw = ARGS.mingw and os.path.abspath(ARGS.mingw)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
