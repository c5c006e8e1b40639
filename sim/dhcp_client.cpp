#include "devices.h"

#include <cerrno>

// TEMPORARY: no network until the DHCP stand-in lands.
void dhcp_init(const SimOptions &) {}
int net_ioctl(int, unsigned long, void *, bool *handled) {
    *handled = false;
    return -1;
}
int dhcp_exec(const char *, char *const[]) {
    errno = ENOENT;
    return -1;
}
const char *net_status() {
    return "";
}
