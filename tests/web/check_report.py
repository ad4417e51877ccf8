"""Checks a Debug.txt taken from the web page against the report the
native build writes (tests/e2e/report.py, which the end-to-end suite holds
the native program to): byte for byte, the GL driver's strings apart.

python3 check_report.py FILE  -> exit 0 when it matches, else a diff.
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import flavour  # noqa: E402
import report  # noqa: E402

with open(sys.argv[1], "rb") as f:
    actual = f.read()
problem = report.mismatch(actual, report.normal_run(flavour.LINUX), flavour.LINUX)
if problem:
    print(problem)
    sys.exit(1)
