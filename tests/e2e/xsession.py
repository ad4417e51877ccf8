"""A private X server for one end-to-end test, and what a user does on it.

Needs: Xvfb, xwininfo (x11-utils), xdotool, import (imagemagick), libX11.
Each session is an Xvfb of its own that picked a free display number itself
(-displayfd); nothing here touches another X server or another process.
There is no window manager: windows are found by walking the tree under the
root, and keys go to the window that was given the input focus.
"""

import ctypes
import ctypes.util
import os
import re
import select
import subprocess
import time

# One line of `xwininfo -root -tree`:
#   0x200006 "Orlath - Brenvik!": ("orlath" "orlath")  640x480+0+0  +0+0
TREE_LINE = re.compile(
    r'^\s*(0x[0-9a-fA-F]+) (?:"(.*)"|\(has no name\)): \((.*)\)\s+'
    r'(\d+)x(\d+)\+(-?\d+)\+(-?\d+)\s+\+(-?\d+)\+(-?\d+)\s*$')

# A key held this long spans several passes of a loop that reads key flags
# only when its queue is empty; a bare press and release may never be seen.
# The server runs without auto-repeat (-r): on a busy machine the release can
# come later than the repeat delay, and a repeated F1 under Wine, as on
# Windows, switches the window back.
KEY_HOLD_SECONDS = 0.1


class Window:
    def __init__(self, window_id, title, wm_class, width, height, x, y):
        self.id = window_id
        self.title = title
        self.wm_class = wm_class
        self.width = width
        self.height = height
        self.x = x
        self.y = y
        # The X window that holds the client area: the window itself unless
        # the program draws its own frame around a child (see flavour.py).
        self.client_id = window_id

    def __repr__(self):
        return "Window(%s %r class %r %dx%d+%d+%d)" % (
            self.id, self.title, self.wm_class, self.width, self.height,
            self.x, self.y)


class XSession:
    """Xvfb on a display of its own choosing; stop() ends it by its pid."""

    def __init__(self, width=1024, height=768, depth=24, log_path=None):
        self.screen = (width, height, depth)
        self.log_path = log_path
        self.process = None
        self.display = None

    def start(self, timeout=10.0, own_group=False):
        """With own_group, the server is out of reach of a Ctrl+C meant
        for its starter, which must then stop it itself."""
        read_end, write_end = os.pipe()
        log = open(self.log_path, "ab") if self.log_path else subprocess.DEVNULL
        try:
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end),
                 "-screen", "0", "%dx%dx%d" % self.screen,
                 "-nolisten", "tcp", "-noreset", "-r"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                stdout=log, stderr=log, start_new_session=own_group)
        finally:
            os.close(write_end)
            if log is not subprocess.DEVNULL:
                log.close()
        text = b""
        deadline = time.monotonic() + timeout
        while not text.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([read_end], [], [], left)[0]:
                break
            chunk = os.read(read_end, 64)
            if not chunk:
                break
            text += chunk
        os.close(read_end)
        if not text.strip().isdigit():
            self.stop()
            raise RuntimeError("Xvfb did not report a display")
        self.display = ":" + text.strip().decode()
        return self

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None

    def environment(self, base=None):
        env = dict(os.environ if base is None else base)
        env["DISPLAY"] = self.display
        # The program must reach this server, not some other video driver.
        for name in ("SDL_VIDEODRIVER", "WAYLAND_DISPLAY", "XAUTHORITY"):
            env.pop(name, None)
        return env

    def run(self, args, check=True, timeout=10.0):
        result = subprocess.run(args, env=self.environment(),
                                stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=timeout)
        if check and result.returncode != 0:
            raise RuntimeError("%s failed (%d): %s" % (
                " ".join(args), result.returncode,
                result.stderr.decode(errors="replace").strip()))
        return result.stdout.decode("utf-8", errors="replace")

    # ---- windows

    def windows(self, parent=None):
        """Every top-level window with a size, as xwininfo lists it; with a
        parent, that window's children instead."""
        # A window destroyed during the walk makes xwininfo fail with
        # BadDrawable or BadWindow; the next walk no longer meets it.
        where = ["-id", parent.id, "-children"] if parent else ["-root", "-tree"]
        for attempt in range(10):
            result = subprocess.run(
                ["xwininfo"] + where, env=self.environment(),
                stdin=subprocess.DEVNULL, capture_output=True, timeout=10.0)
            if result.returncode == 0:
                break
            time.sleep(0.02)
        else:
            if parent:
                return []
            raise RuntimeError("xwininfo -root -tree keeps failing: " +
                               result.stderr.decode(errors="replace").strip())
        found = []
        for line in result.stdout.decode("utf-8", "replace").splitlines():
            match = TREE_LINE.match(line)
            if not match:
                continue
            # Children of the root are indented by five spaces exactly.
            if not line.startswith("     0x"):
                continue
            window_id, title, wm_class = match.group(1, 2, 3)
            width, height = int(match.group(4)), int(match.group(5))
            x, y = int(match.group(8)), int(match.group(9))
            found.append(Window(window_id, title, wm_class, width, height, x, y))
        return found

    def is_viewable(self, window):
        info = self.run(["xwininfo", "-id", window.id], check=False)
        return "Map State: IsViewable" in info

    def find_windows(self, title):
        return [w for w in self.windows()
                if w.title == title and self.is_viewable(w)]

    def wait_for_window(self, title, timeout=15.0, predicate=None,
                        alive=None):
        """The first viewable top-level window with this exact title.

        alive, when given, is a callable that says whether the program is
        still running; the wait ends early when it is not.
        """
        deadline = time.monotonic() + timeout
        while True:
            for window in self.find_windows(title):
                if predicate is None or predicate(window):
                    return window
            if alive is not None and not alive():
                raise AssertionError(
                    "program ended while waiting for window %r" % title)
            if time.monotonic() > deadline:
                raise AssertionError(
                    "no window titled %r within %.0f s; windows: %r" % (
                        title, timeout, self.windows()))
            time.sleep(0.05)

    def wait_until_gone(self, window, timeout=10.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if not any(w.id == window.id for w in self.windows()):
                return
            if not self.is_viewable(window):
                return
            time.sleep(0.05)
        raise AssertionError("window %r still shown" % (window,))

    def geometry(self, window):
        """Client size and position of a window, read afresh."""
        text = self.run(["xdotool", "getwindowgeometry", window.client_id])
        position = re.search(r"Position: (-?\d+),(-?\d+)", text)
        size = re.search(r"Geometry: (\d+)x(\d+)", text)
        return (int(size.group(1)), int(size.group(2)),
                int(position.group(1)), int(position.group(2)))

    def add_mode(self, width, height):
        """Gives the screen one more mode, 60 Hz VESA timings for 640x480.

        A mode made by a client lives only while the server does not reset;
        Xvfb runs with -noreset, so xrandr's two calls can make and add it.
        """
        name = "%dx%d" % (width, height)
        self.run(["xrandr", "--newmode", name, "25.175",
                  str(width), str(width + 16), str(width + 112),
                  str(width + 160), str(height), str(height + 10),
                  str(height + 12), str(height + 45), "-hsync", "-vsync"])
        self.run(["xrandr", "--addmode", "screen", name])

    def modes(self):
        """The output's modes as xrandr lists them, and the current one."""
        listed, current = [], None
        for line in self.run(["xrandr"]).splitlines():
            match = re.match(r"^\s+(\d+x\d+)\s", line)
            if match:
                listed.append(match.group(1))
                if "*" in line:
                    current = match.group(1)
        return listed, current

    def screen_size(self):
        text = self.run(["xwininfo", "-root"])
        width = re.search(r"Width: (\d+)", text)
        height = re.search(r"Height: (\d+)", text)
        return int(width.group(1)), int(height.group(1))

    # ---- input

    def focus(self, window):
        self.run(["xdotool", "windowfocus", "--sync", window.id])

    def tap(self, window, key):
        """Press and release a key at once; enough for a message box."""
        self.focus(window)
        self.run(["xdotool", "key", key])

    def hold(self, window, key, seconds=KEY_HOLD_SECONDS):
        self.focus(window)
        self.run(["xdotool", "keydown", key])
        time.sleep(seconds)
        self.run(["xdotool", "keyup", key])

    def request_close(self, window):
        """What a window manager's close button does: WM_DELETE_WINDOW."""
        send_delete_window(self.display, int(window.id, 16))

    # ---- pictures

    def pixels(self, window):
        """The window's picture as raw RGB bytes, for comparing frames."""
        result = subprocess.run(
            ["import", "-window", window.client_id, "-depth", "8", "rgb:-"],
            env=self.environment(), stdin=subprocess.DEVNULL,
            capture_output=True, timeout=30.0)
        if result.returncode != 0 or not result.stdout:
            raise RuntimeError("cannot read the pixels of %r" % (window,))
        return result.stdout

    def screenshot(self, path, window=None):
        target = window.client_id if window else "root"
        self.run(["import", "-window", target, path], timeout=30.0)
        return path


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


def send_delete_window(display, window_id):
    """Sends the ICCCM WM_DELETE_WINDOW client message to a window.

    xdotool's windowclose destroys the window outright, which is not what a
    close button does, so the message is built here with libX11.
    """
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                ctypes.c_long, ctypes.POINTER(_Event)]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

    connection = xlib.XOpenDisplay(display.encode())
    if not connection:
        raise RuntimeError("cannot open display " + display)
    try:
        event = _Event()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window_id
        event.xclient.message_type = xlib.XInternAtom(
            connection, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = xlib.XInternAtom(
            connection, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        if not xlib.XSendEvent(connection, window_id, 0, 0,
                               ctypes.byref(event)):
            raise RuntimeError("XSendEvent failed")
        xlib.XFlush(connection)
    finally:
        xlib.XCloseDisplay(connection)
