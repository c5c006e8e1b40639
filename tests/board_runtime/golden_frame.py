#!/usr/bin/python3
"""One golden frame made by the board's runtime: runs the frame program (built
like the board binary) with the arguments of the case's line in cases.txt, under
the emulator the build names, and compares its screen with the golden PNG pixel
for pixel. A mismatch leaves the frame and a difference picture in --out.

Usage: golden_frame.py CASE --golden DIR --out DIR -- EMULATOR... PROGRAM
"""
import argparse
import array
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
import pixels  # noqa: E402

WIDTH, HEIGHT = 320, 240


def case_arguments(golden, name):
    with open(os.path.join(golden, "cases.txt")) as f:
        for line in f:
            words = line.split()
            if words and words[0] == name:
                return words[1:]
    sys.exit("golden_frame: no case %s in cases.txt" % name)


def golden_pixels(golden, name):
    width, height, rgb = pixels.read_rgb(os.path.join(golden, name + ".png"))
    if (width, height) != (WIDTH, HEIGHT):
        sys.exit("golden_frame: %s.png is %dx%d" % (name, width, height))
    return [pixels.rgb565(*p) for p in rgb]


def rendered_pixels(command, path):
    result = subprocess.run(command + ["--out", path], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        sys.exit("golden_frame: %s ended with status %d:\n%s"
                 % (" ".join(command), result.returncode, result.stdout))
    frame = array.array("H")
    with open(path, "rb") as f:
        frame.frombytes(f.read())
    if len(frame) != WIDTH * HEIGHT:
        sys.exit("golden_frame: %s holds %d pixels" % (path, len(frame)))
    if sys.byteorder != "little":
        frame.byteswap()
    return list(frame)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case")
    parser.add_argument("--golden", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("command", nargs="+")
    args = parser.parse_args()

    os.makedirs(args.out, exist_ok=True)
    raw = os.path.join(args.out, args.case + ".rgb565")
    want = golden_pixels(args.golden, args.case)
    got = rendered_pixels(args.command + case_arguments(args.golden, args.case), raw)
    differing = sum(1 for a, b in zip(want, got) if a != b)
    if differing:
        pixels.write_rgb(os.path.join(args.out, args.case + ".png"), WIDTH, HEIGHT,
                         [pixels.rgb565_to_rgb888(v) for v in got])
        diff = [(255, 0, 255) if a != b else tuple(c // 4 for c in pixels.rgb565_to_rgb888(a))
                for a, b in zip(want, got)]
        pixels.write_rgb(os.path.join(args.out, args.case + ".diff.png"), WIDTH, HEIGHT, diff)
        sys.exit("golden_frame: %s: %d pixels differ (see %s)" % (args.case, differing, args.out))
    print("golden_frame: %s equals its golden, %d pixels" % (args.case, len(want)))


if __name__ == "__main__":
    main()
