"""The one place where the builds under test may differ.

The suite runs the same cases against the program built on our layer
(orlath) and the one built against the real Win32 API (orlath.exe, run under
Wine). Only what the two platforms legitimately do differently is stated
here; any other difference between the builds is a fault.
"""

import os


class Flavour:
    def __init__(self, name, line_break, path_separator, launcher):
        self.name = name
        # Debug.txt is written in text mode: "\n" becomes the platform's
        # line break.
        self.line_break = line_break
        # The start-up images are named "imagenes" + separator + file.
        self.path_separator = path_separator
        self.launcher = launcher

    def command(self, program):
        return self.launcher + [os.path.abspath(program)]

    def environment(self, env):
        if self.name == "windows":
            env.setdefault("WINEDEBUG", "-all")
        return env


LINUX = Flavour("linux", b"\n", "/", [])
WINDOWS = Flavour("windows", b"\r\n", "\\", ["wine"])


def for_program(program):
    return WINDOWS if program.lower().endswith(".exe") else LINUX
