"""The one place where the builds under test may differ.

The suite runs the same cases against the program built on our layer
(orlath) and the one built against the real Win32 API (orlath.exe, run under
Wine). Only what the two platforms legitimately do differently is stated
here; any other difference between the builds is a fault.
"""

import os
import shutil
import subprocess
import tempfile


# A line's end in what the program prints to standard output, which is in
# text mode too: either build's.
LINE_END = rb"\r?\n"


class Flavour:
    def __init__(self, name, line_break, path_separator, launcher):
        self.name = name
        # Debug.txt is written in text mode: "\n" becomes the platform's
        # line break.
        self.line_break = line_break
        # The start-up images are named "imagenes" + separator + file.
        self.path_separator = path_separator
        self.launcher = launcher
        # A failed start-up calls exit(1) with the full-screen mode still
        # set. Our layer gives the desktop its mode back at exit, as Windows
        # does for a CDS_FULLSCREEN change when the process ends; Wine 8
        # leaves the screen in the program's mode.
        self.mode_back_after_exit = name != "windows"
        # With no display, window creation fails on both. Our layer prints
        # every message box with the answer it took, and one line on why no
        # display opened and where to find one, on standard error; Wine can
        # show no box and says nothing (WINEDEBUG is -all), so there the
        # failed open's status is all there is.
        self.no_display_output = None if name == "windows" else (
            rb"\(no one to ask: answered Yes\)\n"
            rb"No display could be opened \(DISPLAY not set; SDL: [^\n]+\): "
            rb"set DISPLAY [^\n]*xvfb-run[^\n]*\n"
            rb"ERROR: Window Creation Error\.\n\Z")
        self.prefix = None

    def command(self, program):
        return self.launcher + [os.path.abspath(program)]

    def environment(self, env):
        if self.name == "windows":
            env["WINEDEBUG"] = "-all"
            if self.prefix:
                env["WINEPREFIX"] = self.prefix
        return env

    def find_client(self, session, window):
        """Points window.client_id at the X window of its client area.

        With no window manager, Win32 draws the caption and border itself,
        inside the top-level X window, and Wine keeps the client area (where
        GL draws) in a child window. Our layer leaves the frame to the window
        manager, so there the top-level window is the client area.
        """
        if self.name == "windows":
            children = session.windows(parent=window)
            if len(children) == 1:
                window.client_id = children[0].id
        return window

    # ---- the run's Wine prefix (nothing to do for the layer's build)

    def begin_run(self):
        """Creates the run's own Wine prefix, once for every case."""
        if self.name != "windows" or self.prefix:
            return
        self.prefix = tempfile.mkdtemp(prefix="orlath-wine-")
        env = self.environment(dict(os.environ))
        env.pop("DISPLAY", None)
        self._wine(["wineboot", "-i"], env, 180)
        # A managed window waits two seconds for a window manager that never
        # comes whenever it is destroyed.
        self._wine(["wine", "reg", "add", "HKCU\\Software\\Wine\\X11 Driver",
                    "/v", "Managed", "/t", "REG_SZ", "/d", "N", "/f"], env, 60)
        self.end_case()

    def end_case(self):
        """Waits for the prefix's wineserver, and every process it kept, to
        end; the program itself was already ended by its pid."""
        if self.prefix:
            self._wine(["wineserver", "-w"], self.environment(dict(os.environ)),
                       30)

    def end_run(self):
        if self.prefix:
            self.end_case()
            shutil.rmtree(self.prefix, ignore_errors=True)
            self.prefix = None

    @staticmethod
    def _wine(args, env, timeout):
        process = subprocess.Popen(args, env=env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        try:
            status = process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            raise RuntimeError("%s did not end within %d s" % (args[0], timeout))
        if status != 0:
            raise RuntimeError("%s failed with status %d" % (" ".join(args),
                                                            status))


LINUX = Flavour("linux", b"\n", "/", [])
WINDOWS = Flavour("windows", b"\r\n", "\\", ["wine"])


def for_program(program):
    return WINDOWS if program.lower().endswith(".exe") else LINUX
