#!/usr/bin/env python3
"""The board stories: the board binary that `make arm` built, on a real Linux
kernel in the board VM, against the same story on the simulator.

    tests/board_vm/test_board_stories.py   (make test runs it after make arm)

One boot plays story.scenario; the simulator plays it without the board's
probes. Outputs go to build/board-vm/stories/{board,sim}/.
"""

import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import pnglib  # noqa: E402

STORY = os.path.join(ROOT, "tests", "board_vm", "story.scenario")
OUT = os.path.join(ROOT, "build", "board-vm", "stories")
BOARD_OUT = os.path.join(OUT, "board")
SIM_OUT = os.path.join(OUT, "sim")
BOARD_ONLY = ("inspect", "expect-still")
TOUCH_NODE = "/tmp/touch 13:64"
TICKS_PER_SECOND = 100


def start(command, log):
    with open(log, "w") as f:
        return subprocess.Popen(command, stdout=f, stderr=subprocess.STDOUT), log


def finish(started):
    process, log = started
    if process.wait() != 0:
        with open(log) as f:
            raise AssertionError("%s failed with status %d:\n%s"
                                 % (process.args[0], process.returncode, f.read()[-3000:]))


def sim_story(path):
    """The story without the board's probes: the simulator plays the rest."""
    def command(line):
        words = line.split("#", 1)[0].split()
        return words[2] if len(words) > 2 else None
    with open(STORY) as f:
        lines = [line for line in f if command(line) not in BOARD_ONLY]
    with open(path, "w") as f:
        f.writelines(lines)


def setUpModule():
    os.makedirs(BOARD_OUT, exist_ok=True)
    os.makedirs(SIM_OUT, exist_ok=True)
    story = os.path.join(SIM_OUT, "story.scenario")
    sim_story(story)
    # The simulator mostly sleeps: it plays beside the board VM.
    sim = start([os.path.join(ROOT, "build", "host", "bin", "ipslide-sim"), "--headless",
                 "--script", story, "--out", SIM_OUT], os.path.join(OUT, "sim.log"))
    board = start([os.path.join(ROOT, "tools", "board-vm"), "--script", STORY,
                   "--out", BOARD_OUT], os.path.join(OUT, "board-vm.log"))
    try:
        finish(board)
    except AssertionError:
        sim[0].kill()
        sim[0].wait()
        raise
    finish(sim)


def inspect(name):
    """An inspect report: processes {pid: (ppid, comm, ticks)}, mounts, nodes."""
    processes, mounts, nodes = {}, [], []
    with open(os.path.join(BOARD_OUT, name + ".txt")) as f:
        for line in f:
            kind, _, rest = line.strip().partition(" ")
            if kind == "process":
                pid, ppid, comm, ticks = rest.split()
                processes[int(pid)] = (int(ppid), comm, int(ticks))
            elif kind == "mount":
                mounts.append(rest)
            elif kind == "node":
                nodes.append(rest)
    return processes, mounts, nodes


class SameStory(unittest.TestCase):
    def pixels(self, folder, name):
        width, height, pixels = pnglib.read_png(os.path.join(folder, name + ".png"))
        self.assertEqual((width, height), (320, 240), name)
        return pixels

    def test_still_pictures_match_the_simulator(self):
        shots = {}
        for name in ("near-solved", "solved"):
            board = self.pixels(BOARD_OUT, name)
            sim = self.pixels(SIM_OUT, name)
            differing = sum(1 for a, b in zip(board, sim) if a != b)
            self.assertEqual(differing, 0, "%s: %d pixels differ between %s and %s"
                             % (name, differing, BOARD_OUT, SIM_OUT))
            shots[name] = board
        # Two different scenes, so two blank screens cannot pass.
        self.assertNotEqual(shots["near-solved"], shots["solved"])


class RestartByInit(unittest.TestCase):
    def test_each_start_finds_one_mount_one_node_and_no_earlier_process(self):
        earlier = set(inspect("still-after")[0])
        for name in ("restart-1", "restart-2"):
            processes, mounts, nodes = inspect(name)
            mains = [pid for pid, (ppid, comm, _) in processes.items()
                     if ppid == 1 and comm == "ipslide"]
            self.assertEqual(len(mains), 1, "%s: %s" % (name, processes))
            self.assertEqual(set(processes) & earlier, set(),
                             "%s: processes of an earlier start: %s" % (name, processes))
            self.assertEqual(len(mounts), 1, "%s: %s" % (name, mounts))
            self.assertTrue(mounts[0].startswith("/dev/sda1 /tmp/d ext4"), mounts[0])
            self.assertEqual(nodes, [TOUCH_NODE], name)
            earlier |= set(processes)


class StillWhileTheWorkerSpins(unittest.TestCase):
    def test_the_network_worker_spins_through_the_still_check(self):
        # expect-still held for 4 s, or the board run above failed; meanwhile
        # the network worker (the main process's child) spent CPU time polling.
        before, after = inspect("still-before")[0], inspect("still-after")[0]
        mains = {pid for pid, (ppid, _, _) in after.items() if ppid == 1}
        workers = [pid for pid, (ppid, comm, _) in after.items()
                   if ppid in mains and comm == "ipslide" and pid in before]
        spent = {pid: after[pid][2] - before[pid][2] for pid in workers}
        self.assertTrue(any(ticks >= TICKS_PER_SECOND for ticks in spent.values()),
                        "no worker spent a second of CPU during the 4 s: %s" % spent)


class Refusal(unittest.TestCase):
    def test_a_command_the_board_cannot_play_is_refused_by_name_before_booting(self):
        with tempfile.TemporaryDirectory() as folder:
            script = os.path.join(folder, "story.scenario")
            with open(script, "w") as f:
                f.write("at 0 wait-frames 1\nat 100 link up\n")
            done = subprocess.run([os.path.join(ROOT, "tools", "board-vm"), "--script", script,
                                   "--out", folder], capture_output=True, text=True)
            self.assertEqual(done.returncode, 1, done.stderr)
            self.assertIn('story.scenario:2: the board VM cannot play "link"', done.stderr)
            self.assertFalse(os.path.exists(os.path.join(folder, "console.log")))


if __name__ == "__main__":
    unittest.main(verbosity=2)
