#include "devices.h"

#include <cerrno>

// TEMPORARY: no touch panel until the touch reader's simulation lands.
void touch_panel_init(const SimOptions &) {}
int touch_panel_mknod(const char *, mode_t, dev_t) {
    errno = EPERM;
    return -1;
}
void touch_panel_press(int, int) {}
void touch_panel_release() {}
