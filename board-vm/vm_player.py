"""Plays a parsed scenario on a running board VM with the simulator's timing
rule: times from the application's start, and every wait moves what follows
later by the time it took."""

import os
import threading
import time

from vm_channels import HEIGHT, WIDTH, ppm_to_png
from vm_scenario import BoardError, int_arg

DEFAULT_WAIT_MS = 15000
IDLE_MS = 500
IDLE_TICKS = 2  # of the kernel's 100 a second: the CPU time an idle wait may use
TAP_HOLD_S = 0.05


def say(text):
    print("board-vm: " + text, flush=True)


class Player:
    def __init__(self, board):
        self.board = board
        self.start = time.monotonic()
        self.shift = 0.0
        self.last_touch = self.start
        self.releases = []

    def at(self, ms):
        return self.start + self.shift + ms / 1000.0

    def timeout(self, args, index):
        if len(args) > index:
            return int_arg(args[index], 1, 600000, "a timeout in milliseconds")
        return DEFAULT_WAIT_MS

    def wait(self, what, timeout_ms, step):
        """Calls step(screen) on every new dump until it returns True."""
        begin = time.monotonic()
        while not step(self.board.screen.grab()):
            if self.board.qemu.poll() is not None:
                raise BoardError("%s: QEMU ended; the console's last lines:\n%s"
                                 % (what, self.board.console.tail()))
            if time.monotonic() - begin > timeout_ms / 1000.0:
                raise BoardError("%s: not within %d ms" % (what, timeout_ms))
            time.sleep(0.005)
        self.shift += time.monotonic() - begin

    def wait_frames(self, args):
        frames = int_arg(args[0], 1, 100000, "a number of frames")
        state = {"last": self.board.screen.grab(), "seen": 0}

        def step(now):
            if now != state["last"]:
                state["last"], state["seen"] = now, state["seen"] + 1
            return state["seen"] >= frames
        self.wait("wait-frames", self.timeout(args, 1), step)

    def app_ticks(self):
        return int(self.board.touch.send("ticks")[0].split()[1])

    def wait_idle(self, args):
        """The screen unchanged and the application's main process nearly without
        CPU time for 500 ms: during the fanfare the screen holds still while the
        application works. Idle counts from after the last touch too, so a wait
        right after a tap does not end before the application saw it."""
        state = {"screen": None, "since": self.last_touch, "ticks": None}

        def step(now):
            moment, ticks = time.monotonic(), self.app_ticks()
            if now != state["screen"] or ticks < 0 or state["ticks"] is None:
                state.update(screen=now, since=max(moment, self.last_touch), ticks=ticks)
                return False
            if moment - state["since"] < IDLE_MS / 1000.0:
                return False
            if ticks - state["ticks"] <= IDLE_TICKS:
                return True
            state.update(since=moment, ticks=ticks)
            return False
        self.wait("wait-idle", self.timeout(args, 0), step)

    def expect_still(self, args):
        """Fails at the first change of the screen within MS."""
        span = int_arg(args[0], 1, 600000, "a time in milliseconds")
        first = self.board.screen.grab()
        begin = time.monotonic()
        while time.monotonic() - begin < span / 1000.0:
            if self.board.screen.grab() != first:
                raise BoardError("expect-still: the screen changed after %d ms"
                                 % ((time.monotonic() - begin) * 1000))
            time.sleep(0.005)
        self.shift += time.monotonic() - begin

    def screen_point(self, args):
        return (int_arg(args[0], 0, WIDTH - 1, "a screen X (0..319)"),
                int_arg(args[1], 0, HEIGHT - 1, "a screen Y (0..239)"))

    def press(self, command):
        self.board.touch.send(command)
        self.last_touch = time.monotonic()

    def release_later(self):
        def release():
            try:
                self.board.touch.send("release")
            except (BoardError, OSError) as e:
                say("release: %s" % e)
        timer = threading.Timer(TAP_HOLD_S, release)
        timer.start()
        self.releases.append(timer)

    def run(self, ms, name, args):
        line = "%6u ms  %s" % (ms, " ".join([name] + args))
        if name in ("tap", "press"):
            self.press("press %d %d" % self.screen_point(args))
            if name == "tap":
                self.release_later()
        elif name == "tap-raw":
            limit = 2 ** 31
            raw = [int_arg(a, -limit, limit - 1, "a raw panel value (32-bit)") for a in args]
            self.press("press-raw %d %d" % tuple(raw))
            self.release_later()
        elif name == "release":
            self.press("release")
        elif name == "shot":
            ppm_to_png(self.board.screen.grab_still(), os.path.join(self.board.out, args[0] + ".png"))
        elif name == "wait-frames":
            self.wait_frames(args)
        elif name == "wait-idle":
            self.wait_idle(args)
        elif name == "kill-app":
            line += ": " + " ".join(self.board.touch.send("kill"))
        elif name == "expect-still":
            self.expect_still(args)
        elif name == "inspect":
            with open(os.path.join(self.board.out, args[0] + ".txt"), "w") as f:
                f.write("\n".join(self.board.touch.send("inspect")) + "\n")
        say(line)
        self.releases = [timer for timer in self.releases if timer.is_alive()]
        return name == "end"

    def play(self, commands, path):
        for ms, name, args, number in commands:
            delay = self.at(ms) - time.monotonic()
            if delay > 0:
                time.sleep(delay)
            try:
                if self.run(ms, name, args):
                    break
            except BoardError as e:
                raise BoardError("%s:%d: %s" % (path, number, e))
        for timer in self.releases:
            timer.join()
