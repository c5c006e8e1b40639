"""Tests for the picture and sound tools.

Run from the repository root, with Debian's Python (it has Pillow):

    /usr/bin/python3 -m unittest discover -s tests/assets -p 'test_*.py'
"""

import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import wave
from importlib.machinery import SourceFileLoader

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TOOLS = os.path.join(ROOT, "tools")
ASSETS = os.path.join(ROOT, "src", "assets")
sys.path.insert(0, TOOLS)

import pixels  # noqa: E402
from PIL import Image  # noqa: E402

embed = SourceFileLoader("embed_assets", os.path.join(TOOLS, "embed-assets")).load_module()
victory = SourceFileLoader("gen_victory_sample", os.path.join(TOOLS, "gen-victory-sample")).load_module()
images = SourceFileLoader("gen_images", os.path.join(TOOLS, "gen-images")).load_module()


def run_tool(name, *args):
    return subprocess.run([sys.executable, os.path.join(TOOLS, name)] + list(args),
                          capture_output=True, text=True)


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def write_bytes(path, data):
    with open(path, "wb") as f:
        f.write(data)


def asset(name):
    """(width, height, pixels) of a committed picture."""
    return pixels.read_rgb(os.path.join(ASSETS, name + ".png"))


def parse_arrays(path):
    """{name: [values]} for every array a generated source defines; a half-word
    picture's values are found under its block, NAME_block."""
    with open(path) as f:
        cpp = f.read()
    return {m.group(1): [int(v, 16) for v in re.findall(r"0x[0-9a-f]+", m.group(2))]
            for m in re.finditer(r"(\w+)(?:\[[^\]]*\])? = \{(?:0, \{)?(.*?)\}", cpp, re.S)}


def write_headers(folder, images_decl, sample_bytes):
    with open(os.path.join(folder, "images.h"), "w") as f:
        f.write("#pragma once\n#include <cstdint>\n")
        for name, w, h in images_decl:
            up = name.upper()
            f.write("constexpr int %s_W = %d;\nconstexpr int %s_H = %d;\n" % (up, w, up, h))
            f.write("extern const uint16_t img_%s[%s_W * %s_H];\n" % (name, up, up))
    with open(os.path.join(folder, "victory_sample.h"), "w") as f:
        f.write("#pragma once\n#include <cstdint>\nconstexpr int VICTORY_SAMPLE_BYTES = %d;\n"
                "extern const uint8_t victory_sample[VICTORY_SAMPLE_BYTES];\n" % sample_bytes)
    write_bytes(os.path.join(folder, "victory_sample.bin"), bytes(range(sample_bytes)))


class Rgb565(unittest.TestCase):
    def test_truncates_each_channel(self):
        cases = {
            (255, 255, 255): 0xFFFF,
            (0, 0, 0): 0x0000,
            (255, 0, 0): 0xF800,
            (0, 255, 0): 0x07E0,
            (0, 0, 255): 0x001F,
            (7, 3, 7): 0x0000,  # just below one step: truncated, not rounded
            (8, 4, 8): 0x0821,
            (200, 100, 50): 0xCB26,
        }
        for rgb, expected in cases.items():
            with self.subTest(rgb=rgb):
                self.assertEqual(pixels.rgb565(*rgb), expected)

    def test_expansion_is_undone_by_truncation(self):
        for v in (0x0000, 0xFFFF, 0x18CD, 0xCB26, 0x07E0):
            self.assertEqual(pixels.rgb565(*pixels.rgb565_to_rgb888(v)), v)


class Embedding(unittest.TestCase):
    """tools/embed-assets run as the build runs it, on small made-up assets."""

    # Canvas size of the probe picture: 2 wide, 3 high; so 3x2 on screen.
    W, H = 2, 3
    # PNG pixel (column, row) -> colour, all different.
    PNG = {(0, 0): (255, 0, 0), (1, 0): (0, 255, 0), (2, 0): (0, 0, 255),
           (0, 1): (200, 100, 50), (1, 1): (8, 4, 8), (2, 1): (255, 255, 255)}

    def setUp(self):
        self.tmp = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.tmp)
        self.assets = os.path.join(self.tmp, "assets")
        os.mkdir(self.assets)
        write_headers(self.assets, [("probe", self.W, self.H)], 5)
        self.png = os.path.join(self.assets, "probe.png")
        self.px = [self.PNG[(x, y)] for y in range(self.W) for x in range(self.H)]
        pixels.write_rgb(self.png, self.H, self.W, self.px)
        self.out = os.path.join(self.tmp, "gen", "assets_data.cpp")

    def embed(self):
        return run_tool("embed-assets", "--assets", self.assets, "--out", self.out)

    def embed_ok(self):
        result = self.embed()
        self.assertEqual(result.returncode, 0, result.stderr)
        return parse_arrays(self.out)

    def test_embeds_the_picture_in_canvas_orientation_and_the_sample_in_order(self):
        # Canvas (x, y) is element y * W + x. Canvas (0, 0) is shown at the
        # bottom-left of the screen: the PNG's bottom-left pixel. The Canvas's
        # right edge (x = W-1) is the PNG's top row, and going down the Canvas
        # (y) goes right along the PNG.
        canvas = [0xCB26, 0xF800, 0x0821, 0x07E0, 0xFFFF, 0x001F]
        arrays = self.embed_ok()
        self.assertEqual(arrays["img_probe"], canvas)
        self.assertEqual(arrays["victory_sample"], [0, 1, 2, 3, 4])
        # A picture saved with an alpha channel shows its colours as they are:
        # the panel has no transparency, so nothing may be blended with black.
        rgba = Image.new("RGBA", (self.H, self.W))
        rgba.putdata([p + (a,) for p, a in zip(self.px, (0, 128, 255) * self.W)])
        rgba.save(self.png)
        self.assertEqual(self.embed_ok()["img_probe"], canvas)

    def test_rule_agrees_with_the_screen_geometry(self):
        # Canvas (x, y) appears at screen column y, row 239 - x. A picture at
        # Canvas (cx, cy) occupies the screen rectangle gen-images draws it
        # in; every pixel must land where the screen shows it.
        cx, cy = 205, 0
        sx, sy, sw, sh = images.canvas_to_screen_rect(cx, cy, self.W, self.H)
        self.assertEqual((sw, sh), (self.H, self.W))
        canvas = embed.to_canvas(self.H, self.W, self.px, self.W, self.H, "probe")
        for iy in range(self.H):
            for ix in range(self.W):
                col, row = cy + iy, 239 - (cx + ix)
                self.assertEqual(canvas[iy * self.W + ix], pixels.rgb565(*self.PNG[(col - sx, row - sy)]))

    def test_bad_inputs_are_refused_naming_the_file(self):
        sample = os.path.join(self.assets, "victory_sample.bin")
        good = {self.png: read_bytes(self.png), sample: read_bytes(sample)}
        upright = os.path.join(self.tmp, "upright.png")
        pixels.write_rgb(upright, 2, 3, [(0, 0, 0)] * 6)
        unreadable = "embed-assets: %s is not a picture" % self.png
        short_sample = "embed-assets: %s is %d bytes but must be 5 bytes"
        cases = (("wrong size", self.png, read_bytes(upright),
                  "embed-assets: %s is 2x3 but must be 3x2" % self.png),
                 ("not a picture", self.png, b"GIF87a, or so it says", unreadable),
                 ("cut short", self.png, good[self.png][:len(good[self.png]) // 2], unreadable),
                 ("missing", self.png, None, "embed-assets: %s is missing" % self.png),
                 ("sample too short", sample, b"\0" * 4, short_sample % (sample, 4)),
                 ("sample too long", sample, b"\0" * 6, short_sample % (sample, 6)))
        for what, path, data, message in cases:
            with self.subTest(what):
                for p, d in good.items():
                    write_bytes(p, d)
                if data is None:
                    os.remove(path)
                else:
                    write_bytes(path, data)
                result = self.embed()
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(message, result.stderr)
                self.assertNotIn("Traceback", result.stderr)
                self.assertFalse(os.path.exists(self.out))

    def test_output_is_rewritten_only_when_it_changes(self):
        self.embed_ok()
        os.utime(self.out, (1_000_000, 1_000_000))
        self.embed_ok()
        self.assertEqual(os.stat(self.out).st_mtime, 1_000_000)
        write_bytes(os.path.join(self.assets, "victory_sample.bin"), b"\1\1\1\1\1")
        self.embed_ok()
        self.assertNotEqual(os.stat(self.out).st_mtime, 1_000_000)


class RealAssets(unittest.TestCase):
    """The committed pictures and sample against the headers the program uses."""

    def test_every_picture_and_the_sample_are_embedded_whole_and_compile(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "assets_data.cpp")
            # embed-assets refuses a picture or a sample of another size than
            # the headers declare (see Embedding).
            result = run_tool("embed-assets", "--assets", ASSETS, "--out", out)
            self.assertEqual(result.returncode, 0, result.stderr)
            # The compiler zero-pads an array given too few values, so count them.
            arrays = parse_arrays(out)
            for name, w, h, _, _, half_word in embed.read_image_table(ASSETS):
                with self.subTest(name=name):
                    self.assertEqual(len(arrays[name + "_block" if half_word else "img_" + name]), w * h)
            self.assertEqual(len(arrays["victory_sample"]), embed.read_sample_size(ASSETS)[0])
            if not shutil.which("g++"):
                self.skipTest("needs g++ to compile the generated source")
            cc = subprocess.run(["g++", "-std=c++20", "-fsyntax-only", "-Wall", "-Wextra", "-Werror",
                                 "-I", ASSETS, out], capture_output=True, text=True)
            self.assertEqual(cc.returncode, 0, cc.stderr)


def screen_background(name):
    """The 320x240 screen as the program fills it from a half-size background."""
    w, h, px = asset(name)
    return lambda x, y: px[(y // 2) * w + x // 2]


class PictureLayout(unittest.TestCase):
    """What the committed pictures promise the scenes."""

    def assert_clear(self, name, rect, background, keep_out):
        w, h, px = asset(name)
        x0, y0 = rect[0], rect[1]
        kx, ky, kw, kh = keep_out
        checked = 0
        for y in range(max(y0, ky), min(y0 + h, ky + kh)):
            for x in range(max(x0, kx), min(x0 + w, kx + kw)):
                self.assertEqual(px[(y - y0) * w + x - x0], background(x, y),
                                 "%s marks screen pixel (%d, %d)" % (name, x, y))
                checked += 1
        return checked

    def test_overlays_leave_the_address_area_alone(self):
        bg = screen_background("background_0")
        checked = self.assert_clear("overlay_top_left", images.RECT_OVERLAY_TOP_LEFT, bg, images.RECT_ADDRESS_AREA)
        # the bottom-left overlay does reach into that area, so this checked something
        self.assertGreater(checked, 1000)
        self.assert_clear("overlay_top_right", images.RECT_OVERLAY_TOP_RIGHT, bg, images.RECT_ADDRESS_AREA)

    def test_rectangles_meet_their_background_without_a_seam(self):
        # Every side that does not lie on the screen's edge must be the
        # background itself: the placeholder is blended whole and the strips
        # fade in (a box would show), and a glow cut off by an opaque
        # rectangle would show as a straight line.
        all_sides = ("top", "bottom", "left", "right")
        cases = (("address_placeholder", images.RECT_PLACEHOLDER, "background_0", all_sides),
                 ("overlay_top_left", images.RECT_OVERLAY_TOP_LEFT, "background_0", ("top", "right")),
                 ("overlay_top_right", images.RECT_OVERLAY_TOP_RIGHT, "background_0", ("bottom", "right")),
                 ("switch_tab_0", images.RECT_SWITCH_TAB, "background_0", ("top", "left")),
                 ("switch_tab_1", images.RECT_SWITCH_TAB, "background_1", ("top", "left")),
                 ("puzzle_strip_left", images.RECT_STRIP_LEFT, "background_1", all_sides),
                 ("puzzle_strip_right", images.RECT_STRIP_RIGHT, "background_1", all_sides))
        for name, rect, bg_name, sides in cases:
            bg = screen_background(bg_name)
            w, h, px = asset(name)
            x0, y0 = rect[0], rect[1]
            edge = {"top": [(x, 0) for x in range(w)], "bottom": [(x, h - 1) for x in range(w)],
                    "left": [(0, y) for y in range(h)], "right": [(w - 1, y) for y in range(h)]}
            with self.subTest(name=name):
                for side in sides:
                    for x, y in edge[side]:
                        self.assertEqual(px[y * w + x], bg(x0 + x, y0 + y), "%s at (%d, %d)" % (name, x, y))

    def test_placeholder_shows_bright_letters(self):
        bg = screen_background("background_0")
        w, h, px = asset("address_placeholder")
        x0, y0 = images.RECT_PLACEHOLDER[:2]
        bright = sum(1 for y in range(h) for x in range(w)
                     if sum(px[y * w + x]) > sum(bg(x0 + x, y0 + y)) + 300)
        self.assertGreater(bright, 300)

    def test_tiles_are_all_different(self):
        w, h, px = asset("puzzle_tiles")
        blocks = set()
        for cell in range(9):
            bx, by = 48 * (cell % 3), 48 * (cell // 3)
            blocks.add(tuple(px[(by + y) * w + bx + x] for y in range(48) for x in range(48)))
        self.assertEqual(len(blocks), 9)

    def test_tabs_differ_between_scenes(self):
        a, b = asset("switch_tab_0")[2], asset("switch_tab_1")[2]
        self.assertGreater(sum(1 for p, q in zip(a, b) if p != q), len(a) // 2)


class Generators(unittest.TestCase):
    """Same bytes on every run, and the same pictures or sample as committed."""

    def test_gen_images_is_deterministic_and_matches_the_committed_pictures(self):
        # The committed files are compared pixel by pixel: the bytes of a PNG
        # depend on the encoder's version, the pixels do not.
        with tempfile.TemporaryDirectory() as tmp:
            first, second = os.path.join(tmp, "a"), os.path.join(tmp, "b")
            for out in (first, second):
                result = run_tool("gen-images", "--out", out)
                self.assertEqual(result.returncode, 0, result.stderr)
            names = sorted(os.listdir(first))
            self.assertEqual(len(names), 10)
            for name in names:
                with self.subTest(name=name):
                    self.assertEqual(read_bytes(os.path.join(first, name)),
                                     read_bytes(os.path.join(second, name)))
                    self.assertEqual(pixels.read_rgb(os.path.join(first, name)),
                                     pixels.read_rgb(os.path.join(ASSETS, name)),
                                     "src/assets/%s is not what tools/gen-images draws" % name)

    def test_gen_victory_sample_is_deterministic_and_matches_the_committed_sample(self):
        with tempfile.TemporaryDirectory() as tmp:
            a, b, wav = (os.path.join(tmp, n) for n in ("a.bin", "b.bin", "v.wav"))
            # The second run also writes the WAV to listen to: that must not
            # change the sample.
            for args in (("--out", a), ("--out", b, "--wav", wav)):
                result = run_tool("gen-victory-sample", *args)
                self.assertEqual(result.returncode, 0, result.stderr)
            self.assertIn("16667", result.stdout)
            data = read_bytes(a)
            self.assertEqual(len(data), embed.read_sample_size(ASSETS)[0])
            self.assertEqual(data, read_bytes(b))
            self.assertEqual(data, read_bytes(os.path.join(ASSETS, "victory_sample.bin")))
            with wave.open(wav) as w:
                self.assertEqual((w.getnchannels(), w.getsampwidth(), w.getframerate()), (1, 2, 16667))
                self.assertEqual(w.getnframes(), len(data) * 8)


class VictorySample(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.bits = victory.unpack(read_bytes(os.path.join(ASSETS, "victory_sample.bin")))
        cls.pcm = victory.bits_to_pcm(cls.bits)

    def test_bits_go_least_significant_first(self):
        bits = [1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0]
        self.assertEqual(victory.pack(bits), b"\x01\x06")
        self.assertEqual(victory.unpack(b"\x01\x06"), bits)

    def test_line_rests_low_at_both_ends_and_averages_half_between(self):
        self.assertEqual(sum(self.bits[:60]), 0)
        self.assertEqual(sum(self.bits[-60:]), 0)
        middle = self.bits[len(self.bits) // 20:-len(self.bits) // 20]
        self.assertAlmostEqual(sum(middle) / len(middle), 0.5, delta=0.02)

    def test_modulator_follows_a_constant_level(self):
        for level in (0.25, 0.5, 0.8):
            bits = victory.modulate([int(level * victory.FULL)] * 4000)
            self.assertAlmostEqual(sum(bits) / len(bits), level, delta=0.005)

    def pitch_at(self, seconds, window):
        """The strongest semitone between G3 and C7 around a moment."""
        start = int(seconds * victory.RATE)
        seg = self.pcm[start:start + window]
        best = None
        for midi in range(55, 97):
            f = 440.0 * 2 ** ((midi - 69) / 12)
            w = 2 * math.pi * f / victory.RATE
            c = 2 * math.cos(w)
            s1 = s2 = 0.0
            for i, x in enumerate(seg):
                s0 = x * (0.5 - 0.5 * math.cos(2 * math.pi * i / window)) + c * s1 - s2
                s2, s1 = s1, s0
            power = s1 * s1 + s2 * s2 - c * s1 * s2
            if best is None or power > best[0]:
                best = (power, midi)
        return best[1]

    def test_plays_the_fanfare_over_most_of_the_sample(self):
        # It opens with the rising arpeggio, G4, C5, E5 as triplets from
        # 0.16 s, then G5 from 0.66 s. The final chord's top note, C6, carries
        # the sound from 3.7 s on and still sounds at 90 % of the length.
        end = 0.9 * len(self.bits) / victory.RATE
        for t, midi, window in ((0.17, 67, 1024), (0.5, 76, 1024), (0.8, 79, 1024),
                                (4.0, 84, 2048), (5.5, 84, 2048), (end, 84, 2048)):
            with self.subTest(t=t):
                self.assertEqual(self.pitch_at(t, window), midi)


if __name__ == "__main__":
    unittest.main()
