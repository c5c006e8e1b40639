"""tools/check-board-kernel on a small stand-in for a kernel build.

The stand-in holds what the checks read: a board file with an LCD table written
through a macro, the input drivers' Makefiles, a .config, a System.map, and a
board object compiled for ARM that refers to the devices. Each fault the checks
are there for is made in turn, and each must stop them with its reason.

Run from the repository root (needs arm-linux-gnueabi-gcc, tools/setup-deps):

    /usr/bin/python3 -m unittest discover -s tests/tools -p 'test_*.py'
"""

import os
import shutil
import subprocess
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
CHECK = os.path.join(ROOT, "tools", "check-board-kernel")

BOARD_FILE = r"""
#define _LCD_DECLARE(_clock, _xres, margin_left, margin_right, hsync, \
                     _yres, margin_top, margin_bottom, vsync, refresh) \
        .width = _xres, .xres = _xres, \
        .height = _yres, .yres = _yres, \
        .pixclock = ((_clock) * 1000 / ((refresh) * (_xres + hsync))), \
        .bpp = 16

static struct s3c2410fb_display mini2440_lcd_cfg[] __initdata = {
        [0] = { /* portrait, 3.5", x, y */
                _LCD_DECLARE(7, 240, 21, 38, 6, 320, 4, 4, 2, 60),
                .lcdcon5 = (FRM565 | INVVLINE),
        },
        [1] = {
                _LCD_DECLARE(10, 800, 40, 40, 48, 480, 29, 3, 3, 50),
        },
        [2] = {
                _LCD_DECLARE(7, 320, 68, 66, 4, 240, 4, 4, 9, 60),
                .bpp = 8,
        },
        [3] = {
                _LCD_DECLARE(
                        /* clock */ 7,
                        /* xres, margins, hsync */ 320, 68, 66, 4,
                        /* yres, margins, vsync */ 240, 4, 4, 9,
                        60),
        },
};
"""

BOARD_OBJECT = """
extern int s3c_device_adc, s3c_device_ts;
extern void s3c24xx_ts_set_platdata(void *);
int *mini2440_optional[] = { &s3c_device_adc, &s3c_device_ts };
void mini2440_init(void) { s3c24xx_ts_set_platdata(0); }
"""

FRAGMENT = """# The board
CONFIG_TOUCHSCREEN_S3C2410=y
CONFIG_CMDLINE="mini2440=3tb console=ttySAC0,115200"
# CONFIG_KEYBOARD_GPIO is not set
"""

CONFIG = """CONFIG_ARCH_S3C24XX=y
CONFIG_TOUCHSCREEN_S3C2410=y
CONFIG_CMDLINE="mini2440=3tb console=ttySAC0,115200"
# CONFIG_KEYBOARD_GPIO is not set
"""

SYSTEM_MAP = """c0810810 d __initcall__kmod_input_core__302_2769_input_init4
c0810910 d __initcall__kmod_adc__266_510_adc_init6
c0810acc d __initcall__kmod_evdev__268_1446_evdev_init6
c0810ad4 d __initcall__kmod_s3c2410_ts__235_458_s3c_ts_driver_init6
c0810b20 d __initcall__kmod_psmouse__253_2073_psmouse_init6
"""


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


class CheckBoardKernelTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="check-board-kernel-")
        self.src = os.path.join(self.tmp, "linux")
        self.obj = os.path.join(self.tmp, "obj")
        self.fragment = os.path.join(self.tmp, "linux.fragment")
        self.cmdline = os.path.join(self.tmp, "cmdline")
        write(os.path.join(self.src, "arch/arm/mach-s3c/mach-mini2440.c"), BOARD_FILE)
        write(os.path.join(self.src, "drivers/input/mouse/Makefile"),
              "obj-$(CONFIG_MOUSE_PS2) += psmouse.o\npsmouse-objs := psmouse-base.o\n")
        write(os.path.join(self.src, "drivers/input/keyboard/Makefile"),
              "obj-$(CONFIG_KEYBOARD_GPIO) += gpio_keys.o\n")
        write(os.path.join(self.src, "drivers/input/touchscreen/Makefile"),
              "obj-$(CONFIG_TOUCHSCREEN_S3C2410) += s3c2410_ts.o\n")
        for built in ("arch/arm/mach-s3c/adc.o", "drivers/input/touchscreen/s3c2410_ts.o",
                      "drivers/input/mouse/psmouse-base.o"):
            write(os.path.join(self.obj, built), "")
        write(os.path.join(self.tmp, "board.c"), BOARD_OBJECT)
        self.board_object(os.path.join(self.tmp, "board.c"))
        write(self.fragment, FRAGMENT)
        write(os.path.join(self.obj, ".config"), CONFIG)
        write(os.path.join(self.obj, "System.map"), SYSTEM_MAP)
        write(self.cmdline, "mini2440=3tb console=ttySAC0,115200\n")

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def board_object(self, source):
        subprocess.run(["arm-linux-gnueabi-gcc", "-c", source, "-o",
                        os.path.join(self.obj, "arch/arm/mach-s3c/mach-mini2440.o")], check=True)

    def edit(self, path, old, new):
        with open(path) as f:
            text = f.read()
        self.assertIn(old, text)
        write(path, text.replace(old, new))

    def check(self):
        return subprocess.run([CHECK, self.src, self.obj, self.fragment, self.cmdline],
                              capture_output=True, text=True)

    def test_a_good_build_passes_every_check_and_says_what_it_read(self):
        done = self.check()
        self.assertEqual(done.returncode, 0, done.stderr)
        lines = done.stdout.splitlines()
        self.assertEqual(len(lines), 5, done.stdout)
        self.assertIn("all 3 options of the fragment", lines[0])
        self.assertIn("s3c_ts_driver_init6 comes before every other input driver's", lines[3])
        self.assertIn("gpio-keys is not built in", lines[3])
        # Entry 2 is 320x240 too, but at 8 bpp; the macro's arguments sit among
        # comments; the table is read, not assumed.
        self.assertIn("mini2440=3tb selects LCD 3, 320x240 at 16 bpp", lines[4])
        self.assertIn("0:240x320/16 1:800x480/16 2:320x240/8 3:320x240/16", lines[4])

    def test_each_fault_stops_the_checks_with_its_reason(self):
        # The faults run on a new tree each, so they name its paths when run.
        def map_path():
            return os.path.join(self.obj, "System.map")

        faults = {
            # olddefconfig dropped an option whose dependency is not met
            "dropped": (lambda: self.edit(os.path.join(self.obj, ".config"),
                                          "CONFIG_TOUCHSCREEN_S3C2410=y\n", ""),
                        "not in the final .config:\n    CONFIG_TOUCHSCREEN_S3C2410=y"),
            "not unset": (lambda: self.edit(os.path.join(self.obj, ".config"),
                                            "# CONFIG_KEYBOARD_GPIO is not set", "CONFIG_KEYBOARD_GPIO=y"),
                          "# CONFIG_KEYBOARD_GPIO is not set (.config: CONFIG_KEYBOARD_GPIO=y)"),
            "cmdline file": (lambda: write(self.cmdline, "mini2440=3t\n"),
                             "is not /tmp/"),
            "unpatched": (lambda: (write(os.path.join(self.tmp, "plain.c"), "int mini2440;\n"),
                                   self.board_object(os.path.join(self.tmp, "plain.c"))),
                          "mach-mini2440.o does not refer to s3c_device_adc"),
            "no ts object": (lambda: os.remove(os.path.join(
                self.obj, "drivers/input/touchscreen/s3c2410_ts.o")),
                "drivers/input/touchscreen/s3c2410_ts.o was not built"),
            "no ts initcall": (lambda: self.edit(map_path(), "s3c_ts_driver_init6", "other_init6"),
                               "System.map has no initcall of s3c_ts_driver_init"),
            "psmouse first": (lambda: self.edit(map_path(), "c0810b20 d __initcall__kmod_psmouse",
                                                "c0810ad0 d __initcall__kmod_psmouse"),
                              "input drivers start before the touch screen: psmouse: "
                              "__initcall__kmod_psmouse__253_2073_psmouse_init6"),
            "gpio-keys first": (lambda: write(map_path(), SYSTEM_MAP +
                                              "c0810900 d __initcall__kmod_gpio_keys__1_2_gpio_keys_init7\n"),
                                "gpio-keys starts before the touch screen"),
        }
        for name, (fault, reason) in faults.items():
            with self.subTest(name):
                shutil.rmtree(self.tmp)
                self.setUp()
                fault()
                done = self.check()
                self.assertEqual(done.returncode, 1, done.stdout)
                self.assertIn("check-board-kernel: check failed: ", done.stderr)
                self.assertIn(reason, done.stderr)

    def test_the_command_line_must_select_the_landscape_16_bpp_entry_with_the_panel(self):
        for features, reason in (
                ("0tb", "selects LCD 0 = 240x320, 16 bpp, not 320x240, 16 bpp"),
                ("2tb", "selects LCD 2 = 320x240, 8 bpp"),
                ("7tb", "selects LCD 7, which the table"),
                ("3b", "has no 't': the touch screen would not be registered"),
                ("tb", "selects no LCD")):
            with self.subTest(features):
                line = "mini2440=%s console=ttySAC0,115200" % features
                for path in (self.fragment, os.path.join(self.obj, ".config")):
                    self.edit(path, "mini2440=3tb console=ttySAC0,115200", line)
                write(self.cmdline, line + "\n")
                done = self.check()
                self.assertEqual(done.returncode, 1, done.stdout)
                self.assertIn("check failed: mini2440=%s %s" % (features, reason), done.stderr)
                for path in (self.fragment, os.path.join(self.obj, ".config")):
                    self.edit(path, line, "mini2440=3tb console=ttySAC0,115200")


if __name__ == "__main__":
    unittest.main()
