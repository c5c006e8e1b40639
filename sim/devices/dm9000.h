// The DM9000 Ethernet controller (model/dm9000.h) at DM9000_BASE; the link follows
// the simulated cable. Its state is in shared memory made by dm9000_init before the
// application is forked, so the simulator and every application process see one.
#pragma once

#include "model/dm9000.h"

#include <cstddef>
#include <cstdint>

struct SimOptions;

void dm9000_init(const SimOptions &options);
void *dm9000_map(size_t length);
bool dm9000_owns(volatile void *reg);
// The ports' accesses; an address outside them ends the process.
uint8_t dm9000_read8(volatile uint8_t *reg);
void dm9000_write8(volatile uint8_t *reg, uint8_t value);
// Plugs (the link is up at once) or unplugs the cable.
void dm9000_set_link(bool up);
bool dm9000_link();
