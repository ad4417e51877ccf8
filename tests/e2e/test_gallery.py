"""The toolkit gallery as a user meets it: the shipped shell with pages of
toolkit examples, turned with the space bar and the arrow keys."""

import os
import subprocess
import time
import unittest

import gallery_walk
import report
from harness import (CONFIG, ESCAPE_STATUS, WINDOW_SIZE, ProgramTestCase,
                     png_size)

FIRST_TITLE = "Contents"
# Some pages the gallery must carry, whatever their order.
TOOLKIT_WORDS = ("DrawWhiteFade", "DrawBlackFade", "DrawBlackFadeFloat",
                 "DrawTexturedFade", "DrawSpinningQuad", "DrawBackdrop",
                 "DrawBackdropAt", "DrawSpriteHalfTurn", "Bitmap font",
                 "atlas font", "RandomInt", "RandomFloat", "LoadMipmappedTga",
                 "GetFileLength")


def gallery_program():
    """The gallery built beside the program under test."""
    program = CONFIG["program"]
    folder, name = os.path.split(program)
    suffix = ".exe" if name.lower().endswith(".exe") else ""
    return os.path.join(folder, "gallery" + suffix)


def rgb_pixels(path):
    """A PNG's pixels as raw RGB: the files themselves carry time stamps."""
    result = subprocess.run(["convert", path, "-depth", "8", "rgb:-"],
                            stdin=subprocess.DEVNULL, capture_output=True,
                            timeout=30)
    if result.returncode != 0 or not result.stdout:
        raise AssertionError("cannot read the pixels of " + path)
    return result.stdout


class GalleryTests(ProgramTestCase):

    def setUp(self):
        super().setUp()
        if not os.path.isfile(gallery_program()):
            raise unittest.SkipTest("no gallery beside " + CONFIG["program"])

    def start_gallery(self):
        session, program = self.start(program=gallery_program())
        window = self.answer_start_question("Escape")
        self.assertClientGeometry(window, *WINDOW_SIZE)
        # The frame reads the key table: a press and release that both wait
        # in the queue behind a slow frame (the first ones make the fonts and
        # textures) never reach it. Let the first frames pass.
        self.wait_for_page(1, self.page_count())
        time.sleep(0.5)
        return session, program, window

    def output(self):
        return gallery_walk.read_output(self.program.path("program-output.txt"))

    def turn(self, window, key):
        self.session.hold(window, key, gallery_walk.TURN_HOLD_SECONDS)
        # Likewise the release must span a frame, or the next press of the
        # same key looks like the same press still held.
        time.sleep(gallery_walk.TURN_HOLD_SECONDS)

    def page_count(self):
        return int(gallery_walk.wait_for_output(
            self.program.path("program-output.txt"),
            gallery_walk.ANNOUNCED_COUNT, 20, self.program.alive).group(1))

    def wait_for_page(self, number, count):
        gallery_walk.wait_for_output(
            self.program.path("program-output.txt"),
            gallery_walk.page_pattern(number, count), 10, self.program.alive)

    def assertGalleryReport(self):
        """The shipped report plus the font the gallery makes at its first
        frame in each window."""
        data = self.program.report()
        self.assertIsNotNone(data, "Debug.txt was not written")
        expected = (report.normal_run(self.program.flavour)[:-1] +
                    [b"- Generando fuentes...\n"] + report.SHUTDOWN)
        problem = report.mismatch(data, expected, self.program.flavour)
        if problem:
            self.fail(problem)

    def test_headless_walk_saves_a_different_picture_for_every_page(self):
        session, program, window = self.start_gallery()
        pages = gallery_walk.walk(session, window,
                                  program.path("program-output.txt"),
                                  self.artifacts, program.alive)

        titles = [title for title, _ in pages]
        self.assertEqual(FIRST_TITLE, titles[0])
        joined = " ".join(titles)
        for word in TOOLKIT_WORDS:
            self.assertIn(word, joined)
        previous = None
        for title, path in pages:
            self.assertEqual(WINDOW_SIZE, png_size(path), title)
            pixels = rgb_pixels(path)
            if previous is not None:
                self.assertNotEqual(previous, pixels,
                                    "page %r looks like the one before" % title)
            previous = pixels

        # The same shell: Escape ends it with its code, and the same report.
        self.assertEqual(ESCAPE_STATUS, self.end_with_escape(window))
        self.assertGalleryReport()

    def test_arrows_turn_both_ways_and_pages_wrap_around(self):
        session, program, window = self.start_gallery()
        count = self.page_count()

        def expect_page(number, times):
            self.wait_for_page(number, count)
            pattern = gallery_walk.page_pattern(number, count)
            self.assertEqual(times, len(pattern.findall(self.output())),
                             "visits of page %d" % number)

        expect_page(1, 1)
        self.turn(window, "Right")
        expect_page(2, 1)
        self.turn(window, "Down")
        expect_page(3, 1)
        self.turn(window, "Up")
        expect_page(2, 2)
        self.turn(window, "Left")
        expect_page(1, 2)
        # Back from the first page to the last.
        self.turn(window, "Left")
        expect_page(count, 1)
        self.turn(window, "space")
        expect_page(1, 3)
        # A key held for a long while turns one page, not one per frame.
        session.hold(window, "space", seconds=1.0)
        expect_page(2, 3)
        self.assertNotIn(b"page 3/", self.output().split(b"page 2/")[-1])
        self.assertEqual(ESCAPE_STATUS, self.end_with_escape(window))

    def test_f1_rebuilds_the_gallery_in_the_new_window(self):
        session, program, window = self.start_gallery()
        count = self.page_count()
        self.turn(window, "space")
        self.wait_for_page(2, count)

        session.hold(window, "F1")
        self.answer("Kivo GL", "Return")
        rebuilt = self.wait_for("Kivo's OpenGL Framework")
        time.sleep(1.0)  # the new window's first frames make its resources
        # The page survives the switch, and the keys still turn it.
        self.turn(rebuilt, "space")
        self.wait_for_page(3, count)
        time.sleep(1.0)
        picture = self.screenshot("after-f1.png", rebuilt)
        self.assertEqual(WINDOW_SIZE, png_size(picture))
        # The caption bar is printed with the bitmap font, made again in
        # the new GL context: its band holds lit pixels.
        caption = rgb_pixels(picture)[:WINDOW_SIZE[0] * 3 * 20]
        self.assertGreater(sum(1 for value in caption if value > 128), 100,
                           "no caption text after the switch")
        self.assertEqual(ESCAPE_STATUS, self.end_with_escape(rebuilt))
        # Each start-up empties the report: the new window's font is in it.
        self.assertGalleryReport()
