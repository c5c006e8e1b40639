// The GPIO, PWM timer and interrupt controller blocks of the SoC, as the
// application maps them through /dev/mem. Their registers are in shared memory
// made by soc_init before the application is forked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

struct SimOptions;

void soc_init(const SimOptions &options);
void *soc_map(off_t phys, size_t length);
bool soc_owns(volatile void *reg);
uint32_t soc_read32(volatile uint32_t *reg);
void soc_write32(volatile uint32_t *reg, uint32_t value);
