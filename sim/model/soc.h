// The SoC's GPIO, PWM timer and interrupt controller blocks as plain state: each
// block's registers, with the values a running kernel leaves, and the playback
// rule the buzzer is heard by. While INTMSK and INTSUBMSK both mask everything,
// each GPBDAT store starts one sample bit; the capture ends once both masks have
// been written back. Trivially copyable, so it can live in shared memory.
#pragma once

#include "scenes/puzzle/buzzer_internal.h"

#include <cstdint>

enum SocBlock { SOC_GPIO, SOC_TIMER, SOC_INTC, SOC_BLOCKS };
constexpr uint32_t SOC_BLOCK_WORDS = REG_BLOCK_BYTES / 4;
constexpr off_t SOC_BLOCK_PHYS[SOC_BLOCKS] = {GPIO_PHYS, TIMER_PHYS, INTC_PHYS};
constexpr const char *SOC_BLOCK_NAMES[SOC_BLOCKS] = {"GPIO", "PWM timer", "interrupt controller"};
constexpr uint32_t INTMSK_ALL = 0xFFFFFFFF;
constexpr uint32_t INTSUBMSK_ALL = 0xFFFF;

struct SocModel {
    uint32_t regs[SOC_BLOCKS][SOC_BLOCK_WORDS];
    int32_t capturing;    // both masks set: GPBDAT stores are sample bits
    int32_t restore_seen; // after a capture: bit 0 INTMSK, bit 1 INTSUBMSK written back
    uint32_t intmsk_before, intsubmsk_before;
    uint32_t intmsk_after, intsubmsk_after;
};

// The register at a byte offset of its block, as a read finds it.
inline uint32_t &soc_reg(SocModel &soc, int block, uint32_t offset) {
    return soc.regs[block][offset / 4];
}

// What a store meant to the playback rule.
enum SocStore { SOC_STORED, SOC_CAPTURE_BEGUN, SOC_SAMPLE_BIT, SOC_CAPTURE_ENDED };

// Every register zero but GPBCON (GPB0 an input), GPBDAT, TCON (timer 0 running
// with auto-reload) and the masks (some interrupts unmasked), no capture.
void soc_model_reset(SocModel *soc);

// The registers the buzzer uses, the only ones the board answers at.
bool soc_model_has(int block, uint32_t offset);

SocStore soc_model_write(SocModel *soc, int block, uint32_t offset, uint32_t value);
