"""The shell as a user meets it: the start question, the render window, the
control keys, the close button, full screen and the debug report."""

import os
import time

import report
from harness import (ESCAPE_STATUS, FALLBACK_CAPTION, REBUILT_TITLE,
                     SHUTDOWN_CAPTION, START_TITLE, WINDOW_SIZE,
                     ProgramTestCase, png_size)


class ShellTests(ProgramTestCase):

    def test_no_opens_window_and_escape_ends_with_its_key_code(self):
        session, program = self.start()
        window = self.answer_start_question("Escape")
        self.assertEqual(START_TITLE, window.title)
        self.assertClientGeometry(window, *WINDOW_SIZE)
        self.assertTrue(program.alive())

        self.assertEqual(ESCAPE_STATUS, self.end_with_escape(window))
        self.assertNormalReport()

    def test_f1_falls_back_to_a_window_with_the_new_title(self):
        session, program = self.start()
        first = self.answer_start_question("Escape")

        # The 640x480x16 full-screen attempt cannot be met by a 1024x768
        # screen, so the fallback question comes; Yes keeps a window.
        session.hold(first, "F1")
        self.answer(FALLBACK_CAPTION, "Return")
        rebuilt = self.wait_for(REBUILT_TITLE)
        self.assertClientGeometry(rebuilt, *WINDOW_SIZE)
        self.assertEqual([], session.find_windows(START_TITLE),
                         "the first window outlived the switch")

        self.assertEqual(ESCAPE_STATUS, self.end_with_escape(rebuilt))
        # Each start-up empties the report: only the last window's is left.
        data = self.assertNormalReport()
        self.assertEqual(1, data.count(b"QM Debug System - REPORT FILE"))

    def test_holding_m_freezes_the_picture(self):
        session, program = self.start()
        window = self.answer_start_question("Escape")
        time.sleep(0.5)
        self.assertNotEqual(session.pixels(window), session.pixels(window),
                            "the scene does not move")

        session.focus(window)
        session.run(["xdotool", "keydown", "m"])
        try:
            # A loaded machine may take a while to see the key: wait until
            # two pictures in a row agree, then take two a second apart.
            deadline = time.monotonic() + 5.0
            frozen = session.pixels(window)
            while True:
                time.sleep(0.2)
                latest = session.pixels(window)
                if latest == frozen or time.monotonic() > deadline:
                    break
                frozen = latest
            time.sleep(1.0)
            self.assertEqual(frozen, session.pixels(window),
                             "the picture changed while M was held")
        finally:
            session.run(["xdotool", "keyup", "m"])
        time.sleep(0.2)
        self.assertNotEqual(frozen, session.pixels(window),
                            "the picture stayed frozen after M was let go")
        self.assertEqual(ESCAPE_STATUS, self.end_with_escape(window))

    def test_close_button_ends_with_status_zero(self):
        session, program = self.start()
        window = self.answer_start_question("Escape")
        session.request_close(window)
        self.assertEqual(0, program.wait())
        self.assertNormalReport()

    def test_yes_on_a_640x480_screen_goes_full_screen(self):
        session, program = self.start(screen=(640, 480, 24))
        window = self.answer_start_question("Return")
        self.assertTrue(session.is_viewable(window))
        self.assertClientGeometry(window, 640, 480, 0, 0)
        self.assertEqual((640, 480), session.screen_size())
        time.sleep(1.0)
        self.screenshot("fullscreen.png")

        self.assertEqual(ESCAPE_STATUS, self.end_with_escape(window))
        self.assertNormalReport()

    def test_without_marker_no_report_is_created(self):
        session, program = self.start(marker=False)
        window = self.answer_start_question("Escape")
        self.assertEqual(ESCAPE_STATUS, self.end_with_escape(window))
        self.assertFalse(os.path.lexists(program.path("Debug.txt")))

    def test_without_marker_an_old_report_is_left_alone(self):
        old = b"an old report\r\nkept as it was\n"

        def leave_old_report(run):
            with open(run.path("Debug.txt"), "wb") as handle:
                handle.write(old)

        session, program = self.start(marker=False, prepare=leave_old_report)
        window = self.answer_start_question("Escape")
        self.assertEqual(ESCAPE_STATUS, self.end_with_escape(window))
        self.assertEqual(old, program.report())

    def test_unwritable_report_is_announced_once_per_start_up(self):
        # We may run as root, so permissions stop nothing: a folder named
        # Debug.txt cannot be opened for writing by anyone.
        session, program = self.start(
            prepare=lambda run: os.mkdir(run.path("Debug.txt")))
        window = self.answer_start_question("Escape")
        notice = self.wait_for(SHUTDOWN_CAPTION)
        self.screenshot("unwritable-report-notice.png", notice)
        session.tap(notice, "Return")
        session.wait_until_gone(notice)
        self.assertNoWindowTitled(SHUTDOWN_CAPTION, 1.0)
        self.assertTrue(program.alive())

        # The rebuilt window's start-up tries the report again.
        session.hold(window, "F1")
        self.answer(FALLBACK_CAPTION, "Return")
        self.answer(SHUTDOWN_CAPTION, "Return")
        rebuilt = self.wait_for(REBUILT_TITLE)
        self.assertNoWindowTitled(SHUTDOWN_CAPTION, 1.0)

        self.assertEqual(ESCAPE_STATUS, self.end_with_escape(rebuilt))
        self.assertTrue(os.path.isdir(program.path("Debug.txt")))

    def test_a_screenshot_of_a_normal_run_is_saved(self):
        session, program = self.start()
        window = self.answer_start_question("Escape")
        time.sleep(1.0)  # past the first frames, so that the scene is in
        screen = self.screenshot("screen.png")
        picture = self.screenshot("window.png", window)
        self.assertEqual((1024, 768), png_size(screen))
        self.assertEqual(WINDOW_SIZE, png_size(picture))
        self.assertEqual(ESCAPE_STATUS, self.end_with_escape(window))

    def assertScreenMode(self, size, timeout=5.0):
        deadline = time.monotonic() + timeout
        while (self.session.modes()[1] != "%dx%d" % size
               and time.monotonic() < deadline):
            time.sleep(0.1)
        self.assertEqual("%dx%d" % size, self.session.modes()[1])
        self.assertEqual(size, self.session.screen_size())

    def test_a_640x480_mode_serves_yes_and_f1_and_is_given_back(self):
        session, program = self.start(
            prepare=lambda run: run.session.add_mode(640, 480))
        listed, current = session.modes()
        self.assertIn("640x480", listed)
        self.assertEqual("1024x768", current)

        window = self.answer_start_question("Return")
        self.assertScreenMode((640, 480))
        self.assertClientGeometry(window, 640, 480, 0, 0)

        # F1 out of full screen gives the desktop its mode back ...
        session.hold(window, "F1")
        windowed = self.wait_for(REBUILT_TITLE)
        self.assertScreenMode((1024, 768))
        self.assertClientGeometry(windowed, *WINDOW_SIZE)
        # ... and F1 from a window takes 640x480 at 16 bits, which both
        # platforms emulate at the 640x480 mode: no fallback question.
        session.hold(windowed, "F1")
        rebuilt = self.wait_for(REBUILT_TITLE, timeout=10.0,
                                predicate=lambda w: w.id != windowed.id)
        self.assertScreenMode((640, 480))
        self.assertClientGeometry(rebuilt, 640, 480, 0, 0)
        self.assertNoWindowTitled(FALLBACK_CAPTION, 0.5)

        self.assertEqual(ESCAPE_STATUS, self.end_with_escape(rebuilt))
        self.assertScreenMode((1024, 768), timeout=0)
        self.assertNormalReport()

    def test_a_killed_program_takes_its_box_with_it(self):
        session, program = self.start()
        box = self.wait_for(START_TITLE)
        program.process.kill()
        program.process.wait()
        session.wait_until_gone(box, 3.0)

    def test_without_a_display_the_window_cannot_be_made(self):
        program = self.start(display=False)[1]
        # The status of a failed open; no start-up ran, so no report.
        self.assertEqual(0, program.wait())
        self.assertIsNone(program.report())
        told = program.flavour.no_display_output
        if told:
            self.assertRegex(program.output_bytes(), told)
            # A kit user has no scripts/ to be sent to.
            self.assertNotIn(b"demo.sh", program.output_bytes())
