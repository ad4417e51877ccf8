#!/usr/bin/env python3
"""tgacheck (our layer's build) and tgacheck.exe (under Wine) must say the
same of the same TGA files, and decode them to the same pixels.

  tgacheck_builds.py --native DIR --windows DIR

DIR is a build's run folder: DIR/tgacheck, DIR/mkimages and DIR/imagenes/ for
the native build, DIR/tgacheck.exe for the Windows one. The files are the
fuzz seeds that mkimages writes, the start-up images and the glyph atlas,
and damaged copies made here (cut short, an unknown image type, empty, a
missing name, a folder), so that refusals are compared as well as
decodings; and --help. The only
allowed difference is the line break of the text-mode output (flavour.py).
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

# The decoded pixels are compared for these (one invocation each under Wine).
RAW_FILES = ("seeds/seed-08-raw24.tga", "seeds/seed-11-raw32.tga",
             "seeds/seed-13-rle24.tga", "seeds/seed-14-rle32.tga",
             "imagenes/celvino.tga", "imagenes/hola.tga",
             "imagenes/espacio.tga", "imagenes/fuente.tga")


def make_fixtures(folder, native):
    os.makedirs(os.path.join(folder, "seeds"))
    subprocess.run([os.path.join(native, "mkimages"), "--seeds",
                    os.path.join(folder, "seeds")], check=True,
                   stdout=subprocess.DEVNULL)
    shutil.copytree(os.path.join(native, "imagenes"),
                    os.path.join(folder, "imagenes"))
    damaged = os.path.join(folder, "damaged")
    os.makedirs(damaged)
    with open(os.path.join(folder, "seeds", "seed-12-rle24.tga"), "rb") as f:
        rle = f.read()
    with open(os.path.join(folder, "seeds", "seed-08-raw24.tga"), "rb") as f:
        raw = f.read()
    pieces = {
        "header-only.tga": raw[:18],
        "half-header.tga": raw[:9],
        "raw-cut-short.tga": raw[:-5],
        "rle-cut-short.tga": rle[:len(rle) // 2],
        "colour-mapped.tga": raw[:2] + b"\x01" + raw[3:],
        "sixteen-bits.tga": raw[:16] + b"\x10" + raw[17:],
        "empty.tga": b"",
    }
    for name, data in pieces.items():
        with open(os.path.join(damaged, name), "wb") as handle:
            handle.write(data)
    os.makedirs(os.path.join(damaged, "folder.tga"))
    names = []
    for sub in ("seeds", "imagenes", "damaged"):
        names += sorted(sub + "/" + n for n in os.listdir(
            os.path.join(folder, sub)) if n.endswith(".tga"))
    return names + ["damaged/no-such-file.tga"]


def run(command, folder, env):
    result = subprocess.run(command, cwd=folder, env=env,
                            stdin=subprocess.DEVNULL, capture_output=True,
                            timeout=120)
    return result.returncode, result.stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--native", required=True)
    parser.add_argument("--windows", required=True)
    args = parser.parse_args()
    native = os.path.abspath(args.native)
    windows_program = os.path.join(os.path.abspath(args.windows),
                                   "tgacheck.exe")
    linux, windows = flavours.LINUX, flavours.WINDOWS

    folder = tempfile.mkdtemp(prefix="orlath-tgacheck-")
    failures = []
    names = []
    windows.begin_run()
    try:
        names = make_fixtures(folder, native)
        env = windows.environment(dict(os.environ))
        env.pop("DISPLAY", None)
        cases = [("all files", names, None), ("--help", ["--help"], None)]
        cases += [("--raw " + n, ["--raw", "pixels.raw", n], "pixels.raw")
                  for n in RAW_FILES]
        for label, arguments, raw in cases:
            outputs = []
            for flavour, program in ((linux, native + "/tgacheck"),
                                     (windows, windows_program)):
                status, text = run(flavour.command(program) + arguments,
                                   folder, env)
                text = text.replace(flavour.line_break, b"\n")
                pixels = b""
                if raw and os.path.isfile(os.path.join(folder, raw)):
                    with open(os.path.join(folder, raw), "rb") as handle:
                        pixels = handle.read()
                    os.remove(os.path.join(folder, raw))
                outputs.append((status, text, pixels))
            if outputs[0] != outputs[1]:
                failures.append(label)
                print("DIFFERENT: %s\n  tgacheck     -> %d %r (%d bytes)\n"
                      "  tgacheck.exe -> %d %r (%d bytes)" % (
                          label, outputs[0][0], outputs[0][1],
                          len(outputs[0][2]), outputs[1][0], outputs[1][1],
                          len(outputs[1][2])))
            else:
                print("same: %s (status %d, %d lines, %d pixel bytes)" % (
                    label, outputs[0][0], outputs[0][1].count(b"\n"),
                    len(outputs[0][2])))
            if label == "all files" and not (b"refused" in outputs[0][1]
                                             and b": ok " in outputs[0][1]):
                failures.append("the fixtures lack a taken or a refused file")
    finally:
        windows.end_run()
        shutil.rmtree(folder, ignore_errors=True)
    print("%d files compared, %d differences" % (len(names), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
