"""What Debug.txt must hold after a run: written once, here, as it grows.

The expected report is a list of pieces: literal Windows-1252 bytes written
with "\n", and the GL driver's three strings, which vary by machine and are
matched by pattern. The platform's line break and path separator come from
the flavour (see flavour.py).
"""

import difflib
import re

RENDERER = "renderer"
VENDOR = "vendor"
VERSION = "version"

HEADER = [b"QM Debug System - REPORT FILE\n"
          b"-----------------------------\n\n"
          b"Inicializando...\n"]

BANNER = [b'Nombre de proyecto: "Orlath - Brenvik!"\n'
          b"INTERFACE -> Resoluci\xf3n 640x480 32bpp\n"
          b"Render: ", RENDERER, b"\n"
          b"Vendor: ", VENDOR, b" Version: ", VERSION, b"\n\n"
          b"------------------\n\n"]

CLOCK = [b"- Inicializando Timer ...\n"]

STARTUP_IMAGES = ("celvino.tga", "hola.tga", "espacio.tga")


def images(flavour):
    pieces = [b"- Cargando imagenes ...\n"]
    for slot, name in enumerate(STARTUP_IMAGES):
        path = "imagenes" + flavour.path_separator + name
        pieces.append(b"\nNombre imagen/textura: %s ID: %d ... Ok."
                      % (path.encode("cp1252"), slot))
    return pieces


SHUTDOWN = [b"\nProgram shutdown. Nice!\n"]

# The start-up steps that the shipped build runs after the banner, in order.
STARTUP_STEPS = ("clock", "images")


def normal_run(flavour, steps=STARTUP_STEPS):
    """The report of one render window that opened and closed normally."""
    pieces = HEADER + BANNER
    for step in steps:
        pieces += CLOCK if step == "clock" else images(flavour)
    return pieces + SHUTDOWN


def pattern(pieces, flavour):
    parts = []
    for piece in pieces:
        if isinstance(piece, bytes):
            parts.append(re.escape(piece.replace(b"\n", flavour.line_break)))
        elif piece == VENDOR:
            # Non-greedy: the vendor is followed by " Version: ".
            parts.append(b"(?P<%s>[^\r\n]+?)" % piece.encode())
        else:
            parts.append(b"(?P<%s>[^\r\n]+)" % piece.encode())
    return re.compile(b"".join(parts), re.DOTALL)


def mismatch(actual, pieces, flavour):
    """None when the report matches; otherwise a readable diff."""
    if pattern(pieces, flavour).fullmatch(actual):
        return None
    # Fill the placeholders with what the file seems to say, for the diff.
    seen = {}
    for name, regex in ((RENDERER, rb"Render: ([^\r\n]*)"),
                        (VENDOR, rb"Vendor: ([^\r\n]*?) Version: "),
                        (VERSION, rb" Version: ([^\r\n]*)")):
        found = re.search(regex, actual)
        seen[name] = found.group(1) if found else b"<" + name.encode() + b">"
    expected = b"".join(
        p.replace(b"\n", flavour.line_break) if isinstance(p, bytes) else seen[p]
        for p in pieces)
    diff = difflib.unified_diff(
        _lines(expected), _lines(actual), "expected Debug.txt",
        "actual Debug.txt", lineterm="")
    return "Debug.txt differs:\n" + "\n".join(diff)


def _lines(data):
    # repr keeps carriage returns and bytes above 0x7F visible.
    return [repr(line) for line in data.splitlines(keepends=True)]
