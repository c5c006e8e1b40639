#include "touch_panel.h"

#include "model/touch.h"

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <linux/input.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

int uinput_fd = -1;

void emit(uint16_t type, uint16_t code, int32_t value) {
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    if (write(uinput_fd, &event, sizeof event) != static_cast<ssize_t>(sizeof event)) {
        perror("board-vm-agent: write /dev/uinput");
    }
}

// The input core drops an ABS event that repeats the axis's current value, so a
// reader started since the last touch (after a restart) would never hear a
// press on the very same raw spot. A real resistive panel never repeats itself
// to the unit; ours moves one unit off and back within the same report.
void emit_axis(uint16_t axis, int32_t value, int32_t *current) {
    if (value == *current) {
        emit(EV_ABS, axis, value ^ 1);
    }
    emit(EV_ABS, axis, value);
    *current = value;
}

} // namespace

bool touch_panel_make() {
    uinput_fd = open("/dev/uinput", O_WRONLY | O_CLOEXEC);
    if (uinput_fd < 0) {
        perror("board-vm-agent: open /dev/uinput");
        return false;
    }
    uinput_user_dev dev{};
    snprintf(dev.name, sizeof dev.name, "board-vm touch panel");
    dev.id.bustype = BUS_HOST;
    dev.absmin[ABS_X] = TOUCH_RAW_MIN;
    dev.absmax[ABS_X] = TOUCH_RAW_MAX;
    dev.absmin[ABS_Y] = TOUCH_RAW_MIN;
    dev.absmax[ABS_Y] = TOUCH_RAW_MAX;
    if (ioctl(uinput_fd, UI_SET_EVBIT, EV_KEY) != 0 ||
        ioctl(uinput_fd, UI_SET_KEYBIT, BTN_TOUCH) != 0 ||
        ioctl(uinput_fd, UI_SET_EVBIT, EV_ABS) != 0 ||
        ioctl(uinput_fd, UI_SET_ABSBIT, ABS_X) != 0 ||
        ioctl(uinput_fd, UI_SET_ABSBIT, ABS_Y) != 0 ||
        write(uinput_fd, &dev, sizeof dev) != static_cast<ssize_t>(sizeof dev) ||
        ioctl(uinput_fd, UI_DEV_CREATE) != 0) {
        perror("board-vm-agent: uinput set-up");
        return false;
    }
    return true;
}

void touch_panel_press(long raw_x, long raw_y) {
    static int32_t x = 0, y = 0;
    emit(EV_KEY, BTN_TOUCH, 1);
    emit_axis(ABS_X, static_cast<int32_t>(raw_x), &x);
    emit_axis(ABS_Y, static_cast<int32_t>(raw_y), &y);
    emit(EV_SYN, SYN_REPORT, 0);
}

void touch_panel_release() {
    emit(EV_KEY, BTN_TOUCH, 0);
    emit(EV_SYN, SYN_REPORT, 0);
}
