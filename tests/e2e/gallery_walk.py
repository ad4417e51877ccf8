"""Walks the toolkit gallery page by page and screenshots every page.

Shared by the headless run of scripts/demo.sh and the end-to-end tests. The
gallery announces itself on standard output ("gallery: N pages", then
"page K/N: title" at start and after every turn); the walk waits for each
announcement before it lets the page settle and takes its picture, so a
slow frame never puts one page's picture under the next page's name.
"""

import os
import re
import subprocess
import time

from flavour import LINE_END

# Not anchored at a line's start: routines such as GetFileLength print lines
# of their own without a final line break.
ANNOUNCED_COUNT = re.compile(rb"gallery: (\d+) pages" + LINE_END)
PAGE_SETTLE_SECONDS = 1.0
# The gallery sees a key only in a frame drawn while it is down: a press
# and release that both wait in the queue behind one slow frame are lost.
# Frames on a software renderer sharing the machine can take a tenth of a
# second, so a page-turning key is held a while longer than most.
TURN_HOLD_SECONDS = 0.3


def read_output(path):
    with open(path, "rb") as handle:
        return handle.read()


def wait_for_output(path, pattern, timeout, alive):
    """The first match of pattern in the program's output file."""
    deadline = time.monotonic() + timeout
    while True:
        match = pattern.search(read_output(path))
        if match:
            return match
        if not alive():
            raise AssertionError("gallery ended while waiting for %r" %
                                 pattern.pattern)
        if time.monotonic() > deadline:
            raise AssertionError("gallery never printed %r" % pattern.pattern)
        time.sleep(0.05)


def page_pattern(number, count):
    return re.compile(rb"page %d/%d: ([^\r\n]*)" % (number, count) +
                      LINE_END)


def page_file_name(number, title):
    slug = re.sub(r"[^a-z0-9]+", "-", title.lower()).strip("-")
    return "page-%02d-%s.png" % (number, slug[:40])


def walk(session, window, output_path, out_dir, alive,
         settle=PAGE_SETTLE_SECONDS):
    """Screenshots every page once, in order; returns [(title, path)]."""
    count = int(wait_for_output(output_path, ANNOUNCED_COUNT, 20, alive)
                .group(1))
    pages = []
    for number in range(1, count + 1):
        # Each page announces itself once per visit; the walk visits once.
        match = wait_for_output(output_path, page_pattern(number, count),
                                20, alive)
        title = match.group(1).decode("cp1252").strip()
        time.sleep(settle)
        path = session.screenshot(
            os.path.join(out_dir, page_file_name(number, title)), window)
        pages.append((title, path))
        if number < count:
            session.hold(window, "space", TURN_HOLD_SECONDS)
    return pages


def contact_sheet(paths, sheet_path, columns=4):
    """All pages side by side at half size, in one PNG (ImageMagick)."""
    subprocess.run(["montage"] + list(paths) +
                   ["-tile", "%dx" % columns, "-geometry", "320x240+4+4",
                    "-background", "#202020", sheet_path],
                   stdin=subprocess.DEVNULL, check=True, timeout=60)
    return sheet_path
