#!/usr/bin/python3
"""The board stories: the board binary `make arm` built, on a real Linux kernel
on the QEMU board (`ipslide-sim --board qemu`), against the same story on the
simulated board and against `ipslide-sim render`.

    tests/board_vm/test_board_stories.py   (make test runs it after make arm)

Outputs go to build/board-vm/stories/.
"""

import functools
import os
import re
import shutil
import unittest

from PIL import Image, ImageChops

import ipslide_sim

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
HERE = os.path.join(ROOT, "tests", "board_vm")
OUT = os.path.join(ROOT, "build", "board-vm", "stories")
LEASE = "10.9.8.7"
TURN_MS = 4000  # one turn of the gem
# The story's lines that only the QEMU board plays.
QEMU_ONLY = re.compile(r"^at \d+ (inspect|pageout|watch-masked-faults|expect-no-masked-faults"
                       r"|expect-no-zombies|wait-eth0)\b")


def play(name, board, script, *options):
    """Starts one headless run into OUT/name, its log OUT/name.log."""
    return ipslide_sim.start(os.path.join(OUT, name), script, "--board", board,
                             "--lease", LEASE, *options)


finish = ipslide_sim.finish


def shot(run, name):
    return Image.open(os.path.join(OUT, run, name + ".png")).convert("RGB")


def render(*options):
    path = os.path.join(OUT, "render.png")
    ipslide_sim.run("render", "--scene", "address", "--out", path, *options)
    return Image.open(path).convert("RGB")


@functools.lru_cache(maxsize=None)
def moving_box(*options):
    """The box of every pixel the address scene changes over a turn of the gem
    (and a pulse of the placeholder): what a still cannot be compared on."""
    first = render("--elapsed", "10000", *options)
    box = None
    for ms in range(10000, 10000 + TURN_MS, 100):
        changed = ImageChops.difference(first, render("--elapsed", str(ms), *options)).getbbox()
        if changed:
            box = changed if box is None else (min(box[0], changed[0]), min(box[1], changed[1]),
                                               max(box[2], changed[2]), max(box[3], changed[3]))
    return first, box


def outside(picture, box):
    covered = picture.copy()
    covered.paste((0, 0, 0), box)
    return covered


def inspect(name):
    """An inspect report: [(pid, ppid, comm)], mounts, nodes."""
    processes, mounts, nodes = [], [], []
    with open(os.path.join(OUT, "board", name + ".txt")) as f:
        for line in f:
            kind, _, rest = line.strip().partition(" ")
            if kind == "process":
                processes.append(tuple(rest.split()[:3]))
            elif kind == "mount":
                mounts.append(rest)
            elif kind == "node":
                nodes.append(rest)
    return processes, mounts, nodes


def stick_with_the_app():
    """The default stick's font and the board binary, which the story's inittab
    starts from the stick's disk."""
    folder = os.path.join(OUT, "stick")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(ROOT, "tools", "default-font")) as f:
        font = [line.strip() for line in f if line.strip() and not line.startswith("#")][0]
    shutil.copy(font, os.path.join(folder, "concours-48.ttf"))
    shutil.copy(os.path.join(ROOT, "build", "arm", "bin", "ipslide"), folder)
    return folder


def setUpModule():
    # The simulator mostly sleeps: it plays beside the QEMU board.
    sim_story = os.path.join(OUT, "sim-story.scenario")
    os.makedirs(OUT, exist_ok=True)
    with open(os.path.join(HERE, "story.scenario")) as f, open(sim_story, "w") as g:
        g.writelines(line for line in f if not QEMU_ONLY.search(line))
    sim = play("sim", "sim", sim_story, "--cable", "off")
    board = play("board", "qemu", os.path.join(HERE, "story.scenario"), "--cable", "off",
                 "--stick", stick_with_the_app(), "--inittab",
                 os.path.join(HERE, "app-on-disk.inittab"))
    try:
        finish(board)
    finally:
        if sim[0].poll() is None and board[0].returncode != 0:
            sim[0].kill()
    finish(sim)
    finish(play("no-eth0", "qemu", os.path.join(HERE, "no_eth0.scenario"),
                "--inittab", os.path.join(HERE, "respawn-only.inittab")))


class AddressOnTheRealKernel(unittest.TestCase):
    def test_no_cable_shows_the_placeholder_and_the_cable_brings_the_lease(self):
        placeholder, moving = moving_box()
        self.assertEqual(outside(shot("board", "searching"), moving).tobytes(),
                         outside(placeholder, moving).tobytes())
        address, gem = moving_box("--address", LEASE)
        got = outside(shot("board", "address"), gem)
        self.assertEqual(got.tobytes(), outside(address, gem).tobytes())
        self.assertNotEqual(got.tobytes(), outside(placeholder, gem).tobytes())
        self.assertEqual(got.tobytes(), outside(shot("sim", "address"), gem).tobytes())

    def test_without_the_eth0_line_the_address_never_comes(self):
        placeholder, moving = moving_box()
        self.assertEqual(outside(shot("no-eth0", "no-eth0"), moving).tobytes(),
                         outside(placeholder, moving).tobytes())


class RecordingOnTheRealKernel(unittest.TestCase):
    def test_the_recording_is_animated_and_begins_with_the_address_still(self):
        address, gem = moving_box("--address", LEASE)
        for run in ("board", "sim"):
            with self.subTest(board=run), \
                    Image.open(os.path.join(OUT, run, "into-puzzle.png")) as recording:
                self.assertTrue(recording.is_animated)
                self.assertGreater(recording.n_frames, 2)
                first = outside(recording.convert("RGB"), gem)
                self.assertEqual(first.tobytes(), outside(address, gem).tobytes())
                recording.seek(recording.n_frames - 1)
                self.assertNotEqual(outside(recording.convert("RGB"), gem).tobytes(),
                                    first.tobytes())


class PuzzleStills(unittest.TestCase):
    def test_near_solved_and_solved_equal_the_simulators(self):
        for name in ("near-solved", "solved"):
            with self.subTest(still=name):
                self.assertIsNone(ImageChops.difference(shot("board", name),
                                                        shot("sim", name)).getbbox())


class FanfareOnTheRealKernel(unittest.TestCase):
    def test_the_evicted_sample_is_back_before_every_interrupt_is_masked(self):
        with open(os.path.join(OUT, "board.log")) as f:
            log = f.read()
        self.assertRegex(log, r"pageout victory_sample: [1-9]\d* pages out of memory")
        self.assertIn("no page fault while every interrupt was masked", log)


class RestartsByInit(unittest.TestCase):
    def test_each_start_is_new_and_finds_one_stick_mount_and_one_node(self):
        before, _, _ = inspect("before-kills")
        after, mounts, nodes = inspect("after-kills")
        main = [p for p in after if p[1] == "1" and p[2] == "ipslide"]
        self.assertEqual(len(main), 1, after)
        self.assertNotIn(main[0][0], [p[0] for p in before])
        self.assertEqual([p for p in after if p[0] in [q[0] for q in before]], [])
        self.assertEqual(len(mounts), 1, mounts)
        self.assertIn("ext4", mounts[0])
        self.assertEqual(nodes, ["/tmp/touch 13:64"])


if __name__ == "__main__":
    unittest.main()
