"""The host's ends of the board VM: QEMU's sockets for the serial console, the
touch injector's serial line and the monitor, through which the screen is read."""

import json
import os
import socket
import threading
import time

import pnglib
from vm_scenario import BoardError

WIDTH, HEIGHT = 320, 240


def log_tail(path, count=10):
    try:
        with open(path, "rb") as f:
            lines = f.read().decode(errors="replace").splitlines()
    except OSError:
        return "  (no log)"
    return "\n".join("  | " + line for line in lines[-count:])


def connect(path, qemu, deadline, log):
    """QEMU's side of each channel is a listening socket; QEMU waits for us."""
    while True:
        if qemu.poll() is not None:
            raise BoardError("QEMU stopped at start with status %d; the end of %s:\n%s"
                             % (qemu.returncode, log, log_tail(log)))
        try:
            sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            sock.connect(path)
            return sock
        except OSError:
            sock.close()
            if time.monotonic() > deadline:
                raise BoardError("QEMU did not open %s; the end of %s:\n%s"
                                 % (path, log, log_tail(log)))
            time.sleep(0.02)


class Console(threading.Thread):
    """The first serial port: kernel, init and the application's output, copied
    into DIR/console.log; tells when the marker line has come."""

    def __init__(self, sock, log_path, marker):
        super().__init__(daemon=True)
        self.marker = marker.encode()
        self.sock = sock
        self.log = open(log_path, "wb")
        self.text = bytearray()
        self.ready = threading.Event()

    def run(self):
        while True:
            data = self.sock.recv(4096)
            if not data:
                break
            self.log.write(data)
            self.log.flush()
            self.text += data
            if self.marker in self.text:
                self.ready.set()

    def tail(self, count=25):
        lines = self.text.decode(errors="replace").replace("\r", "").splitlines()
        if not lines:
            return "  (the console printed nothing)"
        return "\n".join("  | " + line for line in lines[-count:])


class Touch:
    """The injector's serial line: one command, then lines up to "ok"."""

    def __init__(self, sock):
        self.file = sock.makefile("rwb", buffering=0)
        self.lock = threading.Lock()

    def send(self, command):
        with self.lock:
            self.file.write((command + "\n").encode())
            lines = []
            while True:
                line = self.file.readline()
                if not line:
                    raise BoardError("the touch injector's line closed during \"%s\"" % command)
                line = line.decode(errors="replace").strip()
                if line == "ok":
                    return lines
                if line.startswith("error: "):
                    raise BoardError("%s: %s" % (command, line[7:]))
                if line:
                    lines.append(line)


class Screen:
    """The LCD through QEMU's monitor (QMP): screendump writes the PL111's
    picture as a PPM, each RGB565 channel shifted up to 8 bits, so the 16-bit
    pixels come back exactly."""

    def __init__(self, sock, work):
        self.file = sock.makefile("rwb", buffering=0)
        self.dump_path = os.path.join(work, "screen.ppm")
        self._reply()  # the greeting
        self._execute("qmp_capabilities")

    def _reply(self):
        while True:
            line = self.file.readline()
            if not line:
                raise BoardError("QEMU's monitor closed")
            message = json.loads(line)
            if "event" not in message:
                return message

    def _execute(self, command, **arguments):
        self.file.write(json.dumps({"execute": command, "arguments": arguments}).encode())
        reply = self._reply()
        if "error" in reply:
            raise BoardError("QEMU's %s: %s" % (command, reply["error"].get("desc")))
        return reply

    def grab(self):
        """The screen's pixels as PPM RGB bytes, 320x240."""
        self._execute("screendump", filename=self.dump_path)
        with open(self.dump_path, "rb") as f:
            data = f.read()
        header = data.split(b"\n", 3)
        if header[0] != b"P6" or header[1].split() != [b"320", b"240"]:
            raise BoardError("the screen is %s, not 320x240: is the LCD set up?"
                             % b" ".join(header[1].split()).decode(errors="replace"))
        return data[len(b"\n".join(header[:3])) + 1:]

    def grab_still(self):
        """Two equal dumps in a row where the screen allows it, so a shot does not
        catch a frame half written; a screen that keeps moving gives its latest."""
        last = self.grab()
        for _ in range(10):
            now = self.grab()
            if now == last:
                break
            last = now
        return last


# A PPM channel is the 565 channel shifted up; the PNG repeats its top bits in
# the low ones, as the simulator's screenshots do.
FIVE = bytes((v >> 3) << 3 | (v >> 3) >> 2 for v in range(256))
SIX = bytes((v >> 2) << 2 | (v >> 2) >> 4 for v in range(256))


def ppm_to_png(rgb, path):
    out = bytearray(len(rgb))
    out[0::3] = rgb[0::3].translate(FIVE)
    out[1::3] = rgb[1::3].translate(SIX)
    out[2::3] = rgb[2::3].translate(FIVE)
    with open(path, "wb") as f:
        f.write(pnglib.encode_rgb_rows(WIDTH, HEIGHT, bytes(out)))
