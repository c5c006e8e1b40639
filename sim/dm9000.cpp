#include "devices.h"

// TEMPORARY: no Ethernet controller until the network worker's simulation lands.
void dm9000_init(const SimOptions &) {}
void *dm9000_map(size_t) {
    return nullptr;
}
bool dm9000_owns(volatile void *) {
    return false;
}
uint8_t dm9000_read8(volatile uint8_t *) {
    return 0;
}
void dm9000_write8(volatile uint8_t *, uint8_t) {}
void dm9000_set_link(bool) {}
bool dm9000_link() {
    return false;
}
