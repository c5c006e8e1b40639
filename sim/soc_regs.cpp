#include "devices.h"

// TEMPORARY: no GPIO, timer or interrupt controller until the buzzer's simulation lands.
void soc_init(const SimOptions &) {}
void *soc_map(off_t, size_t) {
    return nullptr;
}
bool soc_owns(volatile void *) {
    return false;
}
uint32_t soc_read32(volatile uint32_t *) {
    return 0;
}
void soc_write32(volatile uint32_t *, uint32_t) {}
