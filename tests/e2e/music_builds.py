#!/usr/bin/env python3
"""musiccheck (our layer's build), musiccheck.exe (under Wine) and the web
build's musiccheck.js (under node) must decode the same files to the same
samples, and with no sound device each must play silently on a running clock
and say so once in the report.

  music_builds.py --native DIR [--windows DIR] [--web DIR]

DIR is a build's run folder: DIR/musiccheck and DIR/mktune for the native
build, DIR/musiccheck.exe for the Windows one, DIR/musiccheck.js for the
web. The files are mktune's tune and fixtures, and a file that is not Ogg
Vorbis.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import flavour as flavours  # noqa: E402

WEB = flavours.Flavour("web", b"\n", "/", [shutil.which("node") or "node"])

FIXTURES = {"tune.ogg": [], "click.ogg": ["--click", "--seconds", "2", "--mono", "--rate", "48000"],
            "tone.ogg": ["--tone", "--seconds", "1.5", "--rate", "22050"]}
PLAY_SECONDS = 1.0


def run(command, folder, env):
    result = subprocess.run(command, cwd=folder, env=env, stdin=subprocess.DEVNULL,
                            capture_output=True, timeout=120)
    return result.returncode, result.stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--native", required=True)
    parser.add_argument("--windows")
    parser.add_argument("--web")
    args = parser.parse_args()
    if not args.windows and not args.web:
        parser.error("nothing to compare with: give --windows or --web")
    native = os.path.abspath(args.native)
    programs = [(flavours.LINUX, os.path.join(native, "musiccheck"))]
    if args.windows:
        programs.append((flavours.WINDOWS, os.path.join(os.path.abspath(args.windows), "musiccheck.exe")))
    if args.web:
        programs.append((WEB, os.path.join(os.path.abspath(args.web), "musiccheck.js")))
    folder = tempfile.mkdtemp(prefix="orlath-musiccheck-")
    failures = []
    if args.windows:
        flavours.WINDOWS.begin_run()
    try:
        for name, options in FIXTURES.items():
            subprocess.run([os.path.join(native, "mktune"), os.path.join(folder, name)] + options,
                           check=True, stdout=subprocess.DEVNULL)
        with open(os.path.join(folder, "not-vorbis.ogg"), "wb") as f:
            f.write(b"OggS" + bytes(60))
        names = sorted(os.listdir(folder))
        # No sound card on any side: SDL finds no driver, Wine loads none, node has no Web Audio.
        env = flavours.WINDOWS.environment(dict(os.environ, SDL_AUDIODRIVER="none",
                                                WINEDLLOVERRIDES="winealsa.drv,winepulse.drv,wineoss.drv=d"))
        env.pop("DISPLAY", None)

        outputs = [run(flavour.command(program) + names, folder, env) for flavour, program in programs]
        outputs = [(status, text.replace(b"\r\n", b"\n")) for status, text in outputs]
        for (flavour, program), (status, text) in zip(programs, outputs):
            print("samples: %s -> %d\n%s" % (os.path.basename(program), status, text.decode()))
        if any(output != outputs[0] for output in outputs):
            failures.append("the builds decode differently")
        if outputs[0][1].count(b": ok ") != len(FIXTURES) or b"refused" not in outputs[0][1]:
            failures.append("a fixture was not taken, or the foreign file was")

        for flavour, program in programs:
            report = os.path.join(folder, "Debug.txt")
            open(os.path.join(folder, "vindrel.txt"), "w").close()
            status, text = run(flavour.command(program) + ["--play", str(PLAY_SECONDS), "tune.ogg"], folder, env)
            with open(report, "rb") as f:
                said = f.read().count(b"sin dispositivo de sonido")
            os.remove(report)
            lines = text.decode().split()
            print("%s --play: %d %r, the report says no device %d times" % (
                os.path.basename(program), status, text, said))
            clocks = [float(lines[k]) for k in (1, 4)] if len(lines) == 6 else []
            if status != 0 or lines[2::3] != ["silent", "silent"] or said != 1 or not clocks or \
                    not all(abs(c - PLAY_SECONDS) < 0.1 for c in clocks):
                failures.append("%s with no device" % os.path.basename(program))
    finally:
        flavours.WINDOWS.end_run()
        shutil.rmtree(folder, ignore_errors=True)
    for failure in failures:
        print("FAILED: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
