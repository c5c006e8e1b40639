#!/usr/bin/env python3
"""The board VM's parts that a boot would not show wrong: the initramfs holds
the shipped binary and the deployed files as they are (the VM never reaches
udhcpc, so a script without its execute bit would pass every story), and every
RGB565 colour read from QEMU's screen comes back as the simulator writes it."""

import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path[:0] = [os.path.join(ROOT, "tools"), os.path.join(ROOT, "board-vm")]
import pnglib  # noqa: E402
from vm_channels import ppm_to_png  # noqa: E402
from vm_image import build_initramfs  # noqa: E402

APP = os.path.join(ROOT, "build", "arm", "bin", "ipslide")
BASE = os.path.join(ROOT, "build", "board-vm", "base")
DEPLOY = os.path.join(ROOT, "deploy")


def read_newc(data):
    """{name: (mode, rdev major, rdev minor, body)}, read as the kernel reads it."""
    entries, pos = {}, 0
    while True:
        if data[pos:pos + 6] != b"070701":
            raise AssertionError("no newc header at byte %d" % pos)
        fields = [int(data[pos + 6 + 8 * i:pos + 14 + 8 * i], 16) for i in range(13)]
        size, name_size = fields[6], fields[11]
        name = data[pos + 110:pos + 110 + name_size - 1].decode()
        body_at = (pos + 110 + name_size + 3) & ~3
        if name == "TRAILER!!!":
            return entries
        entries[name] = (fields[1], fields[9], fields[10], data[body_at:body_at + size])
        pos = (body_at + size + 3) & ~3


def file_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class Initramfs(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        subprocess.run([os.path.join(ROOT, "tools", "make-board-vm")], check=True)
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "initramfs.cpio")
            build_initramfs(path, BASE, APP, DEPLOY)
            cls.entries = read_newc(file_bytes(path))

    def test_the_shipped_binary_and_the_deployed_files_go_in_unchanged(self):
        mode, _, _, body = self.entries["usr/bin/ipslide"]
        self.assertEqual((mode, body), (0o100755, file_bytes(APP)))
        mode, _, _, body = self.entries["etc/udhcpc.conf"]
        self.assertEqual((mode, body), (0o100755, file_bytes(os.path.join(DEPLOY, "udhcpc.conf"))))
        inittab = self.entries["etc/inittab"][3].decode().splitlines()
        self.assertEqual(inittab[0], "::sysinit:/etc/board-vm/sysinit")
        with open(os.path.join(DEPLOY, "inittab")) as f:
            deployed = [line.rstrip("\n") for line in f if line.strip() and line[0] != "#"]
        self.assertEqual(inittab[1:], deployed)

    def test_init_has_a_console_and_every_listed_module(self):
        self.assertEqual(self.entries["dev/console"][:3], (0o20600, 5, 1))
        self.assertEqual(self.entries["sbin/init"][::3], (0o120777, b"../bin/busybox"))
        modules = self.entries["etc/board-vm/modules"][3].decode().split()
        self.assertIn("evdev.ko", modules)
        for module in modules:
            self.assertIn("lib/modules/" + module, self.entries)


class ScreenConversion(unittest.TestCase):
    def test_every_rgb565_colour_comes_back_as_the_simulator_writes_it(self):
        # QEMU's screendump shifts each channel up: red and blue by 3, green by 2.
        colours = list(range(65536)) + [0] * (320 * 240 - 65536)
        ppm = bytearray()
        for v in colours:
            ppm += bytes(((v >> 11) << 3, ((v >> 5) & 0x3F) << 2, (v & 0x1F) << 3))
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "screen.png")
            ppm_to_png(bytes(ppm), path)
            width, height, pixels = pnglib.read_png(path)
        self.assertEqual((width, height), (320, 240))
        wrong = [v for v, p in zip(colours, pixels) if p != pnglib.rgb565_to_rgb888(v)]
        self.assertEqual(wrong, [], "%d colours differ" % len(wrong))


if __name__ == "__main__":
    unittest.main(verbosity=2)
