#!/usr/bin/env python3
"""Runs the end-to-end suite against one build of the program.

  run_e2e.py --program build/bin/orlath [--images DIR] [--out DIR] [CASE...]
  run_e2e.py --list

The program may be orlath (our layer) or orlath.exe (run under Wine); the
differences the suite allows between them are in flavour.py. CASE is a test
name such as test_close_button_ends_with_status_zero; none runs them all.
"""

import argparse
import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import flavour as flavours  # noqa: E402
import harness  # noqa: E402

SUITES = ("test_shell", "test_gallery", "test_scene")


def load(names):
    loader = unittest.TestLoader()
    suite = unittest.TestSuite()
    for module in SUITES:
        tests = loader.loadTestsFromName(module)
        for group in tests:
            for test in group:
                if not names or test._testMethodName in names:
                    suite.addTest(test)
    return suite


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", help="the program under test")
    parser.add_argument("--images", help="the imagenes folder to copy into "
                        "each run folder (default: beside the program)")
    parser.add_argument("--out", help="where screenshots and reports are "
                        "kept (default: e2e-out beside the program)")
    parser.add_argument("--list", action="store_true",
                        help="print the case names and stop")
    parser.add_argument("cases", nargs="*")
    args = parser.parse_args()

    suite = load(args.cases)
    if args.list:
        for test in suite:
            print(test._testMethodName)
        return 0
    if not args.program:
        parser.error("--program is required")
    found = {test._testMethodName for test in suite}
    unknown = sorted(set(args.cases) - found)
    if unknown:
        parser.error("unknown case: " + ", ".join(unknown))

    program = os.path.abspath(args.program)
    beside = os.path.dirname(program)
    harness.CONFIG["program"] = program
    harness.CONFIG["images"] = os.path.abspath(
        args.images or os.path.join(beside, "imagenes"))
    harness.CONFIG["out"] = os.path.abspath(
        args.out or os.path.join(beside, "e2e-out"))
    os.makedirs(harness.CONFIG["out"], exist_ok=True)

    flavour = flavours.for_program(program)
    flavour.begin_run()
    try:
        result = unittest.TextTestRunner(verbosity=2).run(suite)
    finally:
        flavour.end_run()
    print("artifacts in " + harness.CONFIG["out"])
    return 0 if result.wasSuccessful() and result.testsRun else 1


if __name__ == "__main__":
    sys.exit(main())
