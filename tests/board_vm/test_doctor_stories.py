#!/usr/bin/python3
"""ipslide-doctor on the QEMU board: the board as shipped passes every check, and
each fault fails exactly its own check and names its fix.

    tests/board_vm/test_doctor_stories.py   (make test runs it after make arm)

Outputs go to build/board-vm/doctor/.
"""

import os
import re
import unittest

import ipslide_sim

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
HERE = os.path.join(ROOT, "tests", "board_vm")
OUT = os.path.join(ROOT, "build", "board-vm", "doctor")
CHECKS = ["inittab", "tmp", "leftovers", "registers", "eth0", "link", "packet", "udhcpc",
          "script", "clients", "stick", "touch", "screen", "fanfare"]
REPORTS = {}


def boot(name, inittab, *options):
    return ipslide_sim.start(os.path.join(OUT, name), os.path.join(HERE, "doctor.scenario"),
                             "--board", "qemu", "--inittab", os.path.join(HERE, inittab),
                             *options)


def reports(console):
    """{run name: (status, [report lines])} from the runs framed on the console."""
    found, name, lines = {}, None, []
    for line in console.splitlines():
        line = line.strip()
        marker = re.match(r"^== (\S+)(?: (\d+))?$", line)
        if marker and marker.group(1) == "status":
            found[name] = (int(marker.group(2)), lines)
        elif marker:
            name, lines = marker.group(1), []
        elif name is not None:
            lines.append(line)
    return found


def setUpModule():
    runs = [boot("faults", "doctor.inittab"),
            boot("power-button", "power-button.inittab", "--power-button", "on")]
    for name, started in zip(("faults", "power-button"), runs):
        ipslide_sim.finish(started)
        with open(os.path.join(OUT, name, "console.log"), errors="replace") as f:
            REPORTS.update(reports(f.read()))


class DoctorOnTheRealKernel(unittest.TestCase):
    def test_the_shipped_board_passes_every_check(self):
        status, lines = REPORTS["shipped"]
        self.assertEqual(status, 0, lines)
        self.assertEqual([line.split(":")[0] for line in lines[:-1]],
                         ["ok   " + check for check in CHECKS])
        self.assertEqual(lines[-1], "ipslide-doctor: every check passed")

    def test_each_fault_fails_only_its_own_check_with_its_fix(self):
        faults = {  # run: (check, what it found, its fix)
            "no-eth0-line": ("inittab", "no ::sysinit:/sbin/ifconfig eth0 up line",
                             "the line ::sysinit:/sbin/ifconfig eth0 up before "
                             "::respawn:/usr/bin/ipslide"),
            "eth0-down": ("eth0", "eth0 is down",
                          "the line ::sysinit:/sbin/ifconfig eth0 up in /etc/inittab"),
            "no-stick": ("stick", "no /dev/sda1: no stick is plugged in",
                         "plug the stick into the USB host port"),
            "power-button": ("touch", "13:64 is \"gpio-keys\", not a touch screen; "
                                      "the touch screen \"board-vm touch panel\" is event1",
                             "gpio-keys off (CONFIG_KEYBOARD_GPIO unset)"),
        }
        for run, (check, found, fix) in faults.items():
            with self.subTest(run=run):
                status, lines = REPORTS[run]
                self.assertEqual(status, 1)
                failed = [line for line in lines if line.startswith("FAIL")]
                self.assertEqual(len(failed), 1, lines)
                self.assertTrue(failed[0].startswith("FAIL %s: " % check), failed[0])
                self.assertIn(found, failed[0])
                self.assertRegex(failed[0], "; fix: .*" + re.escape(fix))


if __name__ == "__main__":
    unittest.main()
