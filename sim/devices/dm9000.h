// The DM9000 Ethernet controller: an index port at byte 0 and a data port at byte
// 4 of its window at 0x20000000; the link follows the simulated cable. Its state
// is in shared memory made by dm9000_init before the application is forked, so
// the simulator and every application process see one controller.
#pragma once

#include "model/dm9000.h"

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

struct SimOptions;

constexpr off_t DM9000_PHYS = 0x20000000;
void dm9000_init(const SimOptions &options);
void *dm9000_map(size_t length);
bool dm9000_owns(volatile void *reg);
uint8_t dm9000_read8(volatile uint8_t *reg);
void dm9000_write8(volatile uint8_t *reg, uint8_t value);
// Plugs (the link is up at once) or unplugs the cable.
void dm9000_set_link(bool up);
bool dm9000_link();
