#!/usr/bin/env python3
"""Prints the records of a valgrind log that are errors or definite leaks
in our own code.

  memcheck_ours.py LOG

valgrind runs with --fullpath-after=<top folder>/, so a frame in our code
names its file by its path in the tree (app/main_loop.cpp:12) and any other
by its full path. An error is ours when its first frame, past the allocator
for a leak, is in one of our files. Frames deeper in the stack don't count:
every driver call passes through our code on its way down.
"""

import os
import re
import subprocess
import sys

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SUFFIXES = (".cpp", ".h")


def our_sources():
    """Every C++ file of the tree, as git knows it (new files not yet added
    included); outside a checkout, every one on disk but in build folders."""
    try:
        listed = subprocess.run(
            ["git", "-C", TOP, "ls-files", "--cached", "--others",
             "--exclude-standard"], capture_output=True, text=True,
            check=True).stdout.splitlines()
        return [path for path in listed if path.endswith(SUFFIXES)]
    except (OSError, subprocess.CalledProcessError):
        pass
    found = []
    for root, folders, files in os.walk(TOP):
        folders[:] = [f for f in folders if not f.startswith(".") and not
                      os.path.isfile(os.path.join(root, f, "CMakeCache.txt"))]
        found += [os.path.relpath(os.path.join(root, name), TOP)
                  for name in files if name.endswith(SUFFIXES)]
    return found


def ours_in(log_text, sources):
    ours = re.compile(r"\((%s):\d+\)" % "|".join(map(re.escape, sources)))
    allocator = re.compile(
        r"vgpreload|: (malloc|calloc|realloc|strdup|strndup|operator new)")
    text = re.sub(r"(?m)^==\d+== ?", "", log_text)
    for record in text.split("\n\n"):
        if not re.search(r"Invalid|uninitialised|Conditional jump|Mismatched|"
                         r"Syscall param|definitely lost", record):
            continue
        # The error's own stack, not the allocation stack that may follow it.
        own = record.split(" Address 0x")[0]
        frames = [line for line in own.splitlines()
                  if re.match(r"\s+(at|by) 0x", line)]
        first = next((f for f in frames if not allocator.search(f)), "")
        if ours.search(first):
            yield record


if __name__ == "__main__":
    with open(sys.argv[1]) as log:
        for record in ours_in(log.read(), our_sources()):
            print(record, end="\n\n")
