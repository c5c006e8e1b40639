// The buzzer's registers, state and steps, for the tests and the simulated SoC
// that check them access by access; the program itself calls buzzer_play alone.
#pragma once

#include "scenes/puzzle/buzzer.h"

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

// Each sample bit lasts one store plus this many increments of a counter in memory;
// the processor's loop speed sets the bit rate.
constexpr int32_t BIT_DELAY_LOOPS = 3000;

// Physical register blocks, each mapped 1024 bytes long.
constexpr off_t GPIO_PHYS = 0x56000000;
constexpr off_t TIMER_PHYS = 0x51000000;
constexpr off_t INTC_PHYS = 0x4A000000;
constexpr size_t REG_BLOCK_BYTES = 1024;

// Register offsets in bytes within their block.
constexpr uint32_t GPBCON_OFFSET = 0x10;
constexpr uint32_t GPBDAT_OFFSET = 0x14;
constexpr uint32_t TCON_OFFSET = 0x08;
constexpr uint32_t INTMSK_OFFSET = 0x08;
constexpr uint32_t INTSUBMSK_OFFSET = 0x1C;

// Port B data as found before playback, bit 0 cleared; every bit written is this
// value with bit 0 replaced, so the other port B pins keep their levels.
extern uint32_t gpb_shadow;

// The busy-wait counter; it lives in memory so the wait is neither removed nor
// shortened by the compiler.
extern volatile int32_t bit_delay_counter;

// The same for any sample: bytes in order, least significant bit first.
void buzzer_play_sample(const uint8_t *sample, size_t bytes);

// Drives the pin from one sample bit, then waits one bit period.
void buzzer_put_bit(int bit);

// The wait of one bit period alone: 3000 turns of the counter in memory. A board
// check times it to predict the playback's length on the CPU at hand.
void buzzer_bit_wait();

// Saves INTMSK and INTSUBMSK, then masks every source and sub-source.
void irq_mask_all();

// Writes the saved INTMSK, then the saved INTSUBMSK.
void irq_restore();
