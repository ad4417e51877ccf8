"""The shipped demo as a user meets it: the animated scene on screen, and the
start-up images, present or missing, with their boxes and report lines."""

import os
import time

import flavour as flavours
import report
from harness import (CONFIG, ESCAPE_STATUS, SHUTDOWN_CAPTION, WINDOW_SIZE,
                     ProgramTestCase)

IMAGE_ERROR_CAPTION = "ERROR"
FALLO = b"Fall\xf3"

# How long the fly-in may take on a slow software renderer: 171 frames.
FLY_IN_SECONDS = 30.0


def image_lines(flavour, failed=()):
    """The report lines of the start-up images; failed names get the error
    line instead of "Ok."."""
    pieces = [b"- Cargando imagenes ...\n"]
    for slot, name in enumerate(report.STARTUP_IMAGES):
        path = ("imagenes" + flavour.path_separator + name).encode("cp1252")
        pieces.append(b"\nNombre imagen/textura: %s ID: %d ... " % (path, slot))
        pieces.append(b"Error cargando imagen %s\n" % path if name in failed
                      else b"Ok.")
    return pieces


def remove_image(name):
    return lambda run: os.remove(run.path(os.path.join("imagenes", name)))


def pixel(data, x, y):
    offset = (y * WINDOW_SIZE[0] + x) * 3
    return tuple(data[offset:offset + 3])


class SceneTests(ProgramTestCase):

    def assertReport(self, pieces):
        data = self.program.report()
        self.assertIsNotNone(data, "Debug.txt was not written")
        problem = report.mismatch(data, pieces, self.program.flavour)
        if problem:
            self.fail(problem)
        return data

    def test_a_normal_run_shows_the_scene_not_the_clear_colour(self):
        session, program = self.start()
        window = self.answer_start_question("Escape")
        time.sleep(2.0)
        self.screenshot("scene.png", window)
        data = session.pixels(window)
        self.assertEqual(WINDOW_SIZE[0] * WINDOW_SIZE[1] * 3, len(data))

        # The clear colour is black; the layers add up over the middle of
        # the view, and the picture has many colours, not a flat fill.
        lit = sum(1 for i in range(0, len(data), 3 * 97)
                  if data[i] + data[i + 1] + data[i + 2] > 60)
        self.assertGreater(lit, len(data) // (3 * 97) // 3,
                           "most of the view is the clear colour")
        self.assertGreater(sum(pixel(data, 320, 240)), 200,
                           "the centre, where all layers overlap, is dark")
        colours = {data[i:i + 3] for i in range(0, len(data), 3 * 31)}
        self.assertGreater(len(colours), 200, "a flat picture")

        self.assertEqual(ESCAPE_STATUS, self.end_with_escape(window))
        self.assertNormalReport()

    def test_missing_greeting_image_is_reported_and_the_run_goes_on(self):
        session, program = self.start(prepare=remove_image("hola.tga"))
        window = self.answer_start_question("Escape")
        box = self.wait_for(IMAGE_ERROR_CAPTION)
        # The text ("No puedo abrir el fichero de textura !") is drawn into
        # the box; the screenshot keeps it for a person to read.
        self.screenshot("missing-image-box.png", box)
        self.answer(IMAGE_ERROR_CAPTION, "Return")
        self.assertNoWindowTitled(IMAGE_ERROR_CAPTION, 0.5)
        self.assertNoWindowTitled(SHUTDOWN_CAPTION, 0.5)
        self.assertTrue(program.alive())

        # The greeting's slot has no texture: once it has flown in, it is
        # a white square that saturates the middle of the view.
        deadline = time.monotonic() + FLY_IN_SECONDS
        while pixel(session.pixels(window), 320, 240) != (255, 255, 255):
            self.assertLess(time.monotonic(), deadline,
                            "the untextured greeting never reached the middle")
            time.sleep(0.5)
        time.sleep(2.0)  # past frame 171, where it rests
        self.screenshot("scene-without-greeting.png", window)
        # Resting 2 units away it is narrower than the view.
        data = session.pixels(window)
        self.assertTrue(any(pixel(data, 10, y) != (255, 255, 255)
                            for y in range(0, WINDOW_SIZE[1], 8)),
                        "the greeting still covers the whole view")

        self.assertEqual(ESCAPE_STATUS, self.end_with_escape(window))
        self.assertReport(report.HEADER + report.BANNER + report.CLOCK +
                          image_lines(program.flavour, {"hola.tga"}) +
                          report.SHUTDOWN)

    def test_missing_starfield_image_ends_the_program_with_status_one(self):
        session, program = self.start(prepare=remove_image("espacio.tga"))
        self.answer_start_question("Escape")
        # The reader's box first; the notice comes only once it is closed.
        self.answer(IMAGE_ERROR_CAPTION, "Return")
        notice = self.wait_for(SHUTDOWN_CAPTION)
        # "Fallo almacenando texturas." is in the box; kept for a person.
        self.screenshot("shutdown-notice.png", notice)
        self.assertTrue(program.alive(), "ended before the notice was closed")
        session.tap(notice, "Return")

        self.assertEqual(1, program.wait())
        data = self.assertReport(
            report.HEADER + report.BANNER + report.CLOCK +
            image_lines(program.flavour, {"espacio.tga"}) +
            [b"\n*** " + FALLO + b" almacenando texturas ***\n",
             FALLO + b" cargando texturas\n"])
        self.assertTrue(data.endswith(
            (FALLO + b" cargando texturas\n").replace(
                b"\n", program.flavour.line_break)))

    def test_failed_start_up_in_full_screen_gives_the_desktop_its_mode(self):
        if not flavours.for_program(CONFIG["program"]).mode_back_after_exit:
            self.skipTest("Wine keeps the program's mode after exit(1)")

        def prepare(run):
            run.session.add_mode(640, 480)
            remove_image("espacio.tga")(run)

        session, program = self.start(prepare=prepare)
        self.answer_start_question("Return")
        box = self.wait_for(IMAGE_ERROR_CAPTION)
        self.assertEqual("640x480", session.modes()[1],
                         "the start-up did not switch the screen")
        self.answer(IMAGE_ERROR_CAPTION, "Return")
        self.answer(SHUTDOWN_CAPTION, "Return")
        self.assertEqual(1, program.wait())
        self.assertEqual("1024x768", session.modes()[1])
        self.assertEqual((1024, 768), session.screen_size())
