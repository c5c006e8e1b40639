// The SoC's GPIO, PWM timer and interrupt controller as the buzzer code reaches them
// through /dev/mem. Each block is a reserved window that faults on a direct access,
// so every access must come through the register accessors, which land here. The
// register values live in shared memory, seen alike by the simulator and by every
// process of the application.
//
// A playback is recognised by the model's rule (model/soc.h); its sample bits wait
// here until the simulator collects them.
#include "devices/soc_regs.h"
#include "devices/soc_playback.h"
#include "model/soc.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace {

constexpr size_t WINDOW_BYTES = 4096;

struct SocState {
    SocModel regs;
    int32_t pin_warned = 0;
    uint32_t bit_count = 0;
    std::atomic<uint32_t> finished{0}; // playbacks completed so far
    uint8_t bits[SOC_CAPTURE_MAX_BITS];
};

SocState *state;
uint8_t *windows[SOC_BLOCKS];
uint32_t taken; // playbacks the simulator has collected (simulator side only)

struct Register {
    int block = 0;
    uint32_t offset = 0;
};

bool locate(volatile void *reg, Register *r) {
    auto *p = static_cast<uint8_t *>(const_cast<void *>(reg));
    for (int b = 0; b < SOC_BLOCKS; ++b) {
        if (windows[b] != nullptr && p >= windows[b] && p < windows[b] + REG_BLOCK_BYTES) {
            *r = {b, static_cast<uint32_t>(p - windows[b])};
            return true;
        }
    }
    return false;
}

// The register's block and offset; ends the process at anything else.
Register checked_register(volatile uint32_t *reg, const char *what) {
    Register r;
    if (!locate(reg, &r)) {
        fprintf(stderr, "ipslide-sim: %s at %p, outside the SoC's register blocks\n", what,
                const_cast<uint32_t *>(reg));
        abort();
    }
    if (!soc_model_has(r.block, r.offset)) {
        fprintf(stderr,
                "ipslide-sim: %s at offset 0x%02X of the %s block (0x%08lX): not a register "
                "the simulated board has\n",
                what, r.offset, SOC_BLOCK_NAMES[r.block],
                static_cast<unsigned long>(SOC_BLOCK_PHYS[r.block]));
        abort();
    }
    return r;
}

// A buzzer driven while its pin is not an output, or while timer 0 may still drive
// it, would not sound as captured; say so once per playback.
void check_pin_once() {
    if (state->pin_warned) {
        return;
    }
    state->pin_warned = 1;
    uint32_t gpbcon = soc_reg(state->regs, SOC_GPIO, GPBCON_OFFSET);
    uint32_t tcon = soc_reg(state->regs, SOC_TIMER, TCON_OFFSET);
    if ((gpbcon & 3u) != 1u) {
        fprintf(stderr, "ipslide-sim: GPB0 is not configured as an output (GPBCON 0x%08X)\n",
                gpbcon);
    }
    if ((tcon & 1u) != 0) {
        fprintf(stderr, "ipslide-sim: timer 0 still runs during playback (TCON 0x%08X)\n", tcon);
    }
}

void capture_bit(uint32_t value) {
    check_pin_once();
    if (state->bit_count >= SOC_CAPTURE_MAX_BITS) {
        fprintf(stderr,
                "ipslide-sim: buzzer capture full: more than %u sample bits with every "
                "interrupt masked\n",
                SOC_CAPTURE_MAX_BITS);
        abort();
    }
    state->bits[state->bit_count++] = static_cast<uint8_t>(value & 1u);
}

} // namespace

void soc_init(const SimOptions &) {
    void *mem =
        mmap(nullptr, sizeof(SocState), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    void *reserved = mmap(nullptr, WINDOW_BYTES * SOC_BLOCKS, PROT_NONE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mem == MAP_FAILED || reserved == MAP_FAILED) {
        perror("ipslide-sim: SoC register blocks");
        exit(2);
    }
    state = new (mem) SocState();
    soc_model_reset(&state->regs);
    for (int b = 0; b < SOC_BLOCKS; ++b) {
        windows[b] = static_cast<uint8_t *>(reserved) + b * WINDOW_BYTES;
    }
    taken = 0;
}

void *soc_map(off_t phys, size_t length) {
    for (int b = 0; b < SOC_BLOCKS; ++b) {
        if (SOC_BLOCK_PHYS[b] == phys && length > 0 && length <= REG_BLOCK_BYTES &&
            state != nullptr) {
            return windows[b];
        }
    }
    fprintf(stderr, "ipslide-sim: /dev/mem has no %zu-byte block at 0x%08lX\n", length,
            static_cast<unsigned long>(phys));
    return nullptr;
}

bool soc_owns(volatile void *reg) {
    Register r;
    return locate(reg, &r);
}

uint32_t soc_read32(volatile uint32_t *reg) {
    Register r = checked_register(reg, "32-bit read");
    return soc_reg(state->regs, r.block, r.offset);
}

void soc_write32(volatile uint32_t *reg, uint32_t value) {
    Register r = checked_register(reg, "32-bit write");
    SocStore store = soc_model_write(&state->regs, r.block, r.offset, value);
    if (store == SOC_CAPTURE_BEGUN) {
        state->pin_warned = 0;
        state->bit_count = 0;
    }
    if (store == SOC_SAMPLE_BIT) {
        capture_bit(value);
    }
    if (store == SOC_CAPTURE_ENDED) {
        state->finished.fetch_add(1, std::memory_order_release);
    }
}

bool soc_take_playback(SocPlayback *playback) {
    if (state == nullptr || state->finished.load(std::memory_order_acquire) == taken) {
        return false;
    }
    taken = state->finished.load(std::memory_order_acquire);
    // A bit lasts from its store to the next one; the last store, which puts the line
    // back to rest, only ends the last bit's period and starts none of its own.
    uint32_t samples = state->bit_count > 0 ? state->bit_count - 1 : 0;
    playback->bits.assign(state->bits, state->bits + samples);
    playback->intmsk_before = state->regs.intmsk_before;
    playback->intsubmsk_before = state->regs.intsubmsk_before;
    playback->intmsk_after = state->regs.intmsk_after;
    playback->intsubmsk_after = state->regs.intsubmsk_after;
    return true;
}
