#include "doctor/board_files.h"
#include "doctor/checks.h"
#include "doctor/report.h"
#include "platform/platform.h"
#include "workers/touch_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

constexpr char CHECK[] = "touch";
constexpr int EVENT_DEVICES = 32;
constexpr unsigned LONG_BITS = sizeof(long) * 8;

// A sysfs capability bitmap: hex words of a long each, the highest first.
bool has_bit(const char *bitmap, unsigned bit) {
    const char *words[64];
    unsigned count = 0;
    for (const char *p = bitmap; *p != '\0' && count < 64;) {
        while (*p == ' ' || *p == '\n') {
            p++;
        }
        if (*p != '\0') {
            words[count++] = p;
        }
        while (*p != '\0' && *p != ' ' && *p != '\n') {
            p++;
        }
    }
    unsigned index = bit / LONG_BITS;
    if (index >= count) {
        return false;
    }
    unsigned long word = strtoul(words[count - 1 - index], nullptr, 16);
    return (word >> (bit % LONG_BITS)) & 1;
}

struct InputDevice {
    char name[96] = "";
    bool touch = false;
};

// What the kernel says of the input device behind an event node (its sysfs folder).
bool describe(const char *folder, InputDevice *device) {
    char path[128], key[512], abs[256];
    snprintf(path, sizeof path, "%s/device/name", folder);
    if (!read_text(path, device->name, sizeof device->name)) {
        return false;
    }
    device->name[strcspn(device->name, "\n")] = '\0';
    snprintf(path, sizeof path, "%s/device/capabilities/key", folder);
    bool keys = read_text(path, key, sizeof key);
    snprintf(path, sizeof path, "%s/device/capabilities/abs", folder);
    bool axes = read_text(path, abs, sizeof abs);
    device->touch =
        keys && axes && has_bit(key, BTN_TOUCH) && has_bit(abs, ABS_X) && has_bit(abs, ABS_Y);
    return true;
}

// The panel's raw ranges, read through a node of the doctor's own.
void report_panel(const InputDevice &panel) {
    input_absinfo x{}, y{};
    bool ranges = false;
    if (platform.mknod(DOCTOR_NODE, S_IFCHR | 0400, makedev(TOUCH_MAJOR, TOUCH_MINOR)) == 0) {
        int fd = platform.open(DOCTOR_NODE, O_RDONLY, 0);
        ranges = fd >= 0 && platform.ioctl(fd, EVIOCGABS(ABS_X), &x) == 0 &&
                 platform.ioctl(fd, EVIOCGABS(ABS_Y), &y) == 0;
        if (fd >= 0) {
            platform.close(fd);
        }
        platform.unlink(DOCTOR_NODE);
    }
    if (ranges) {
        report_ok(CHECK, "13:64 is \"%s\", a touch screen with X %d..%d and Y %d..%d", panel.name,
                  x.minimum, x.maximum, y.minimum, y.maximum);
    } else {
        report_ok(CHECK, "13:64 is \"%s\", a touch screen (its ranges could not be read)",
                  panel.name);
    }
}

// Where the touch screen is, if the kernel has one at all.
void panel_elsewhere(char *where, size_t size) {
    snprintf(where, size, "no input device is a touch screen");
    for (int n = 0; n < EVENT_DEVICES; ++n) {
        char folder[64];
        InputDevice device;
        snprintf(folder, sizeof folder, "/sys/class/input/event%d", n);
        if (describe(folder, &device) && device.touch) {
            snprintf(where, size, "the touch screen \"%s\" is event%d (13:%d)", device.name, n,
                     64 + n);
            return;
        }
    }
}

} // namespace

void check_touch() {
    InputDevice device;
    char found[384], where[160];
    bool present = describe("/sys/dev/char/13:64", &device);
    if (present && device.touch) {
        report_panel(device);
        return;
    }
    panel_elsewhere(where, sizeof where);
    if (present) {
        snprintf(found, sizeof found, "13:64 is \"%s\", not a touch screen; %s", device.name,
                 where);
    } else {
        snprintf(found, sizeof found, "no input device at 13:64; %s", where);
    }
    report_fail(CHECK, found,
                "ipslide reads the first event device (13:64): touches never arrive and the "
                "puzzle cannot be reached",
                "the panel registered before any other input device: its driver and evdev built "
                "in (CONFIG_TOUCHSCREEN_S3C2410=y, CONFIG_INPUT_EVDEV=y, on a mini2440 our patch "
                "and mini2440=...t), gpio-keys off (CONFIG_KEYBOARD_GPIO unset)");
}
