#include "devices.h"

#include <cerrno>

// TEMPORARY: no stick in the socket until the stick's simulation lands.
void stick_init(const SimOptions &) {}
int stick_mount(const char *, const char *, const char *, unsigned long, const void *) {
    errno = ENODEV;
    return -1;
}
