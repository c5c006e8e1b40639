// The SoC's GPIO, PWM timer and interrupt controller as the buzzer code reaches them
// through /dev/mem. Each block is a reserved window that faults on a direct access,
// so every access must come through the register accessors, which land here. The
// register values live in shared memory, seen alike by the simulator and by every
// process of the application.
//
// A playback is recognised the way the hardware would feel it: while INTMSK and
// INTSUBMSK both mask everything, each GPBDAT store starts one sample bit, which lasts
// until the next store. It ends once both masks have been written back; the simulator
// then collects it.
#include "devices/soc_regs.h"
#include "devices/soc_playback.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

namespace {

constexpr size_t BLOCK_BYTES = 1024;
constexpr size_t WINDOW_BYTES = 4096;
constexpr uint32_t INTMSK_ALL = 0xFFFFFFFF;
constexpr uint32_t INTSUBMSK_ALL = 0xFFFF;

enum BlockId { GPIO, TIMER, INTC, BLOCK_COUNT };

struct BlockSpec {
    off_t phys;
    const char *name;
};
constexpr BlockSpec BLOCKS[BLOCK_COUNT] = {
    {0x56000000, "GPIO"}, {0x51000000, "PWM timer"}, {0x4A000000, "interrupt controller"}};

struct SocState {
    // Registers, with the values a running kernel leaves: GPB0 an input, timer 0
    // running with auto-reload, some interrupts unmasked.
    uint32_t gpbcon = 0x00155554;
    uint32_t gpbdat = 0x00000560;
    uint32_t tcon = 0x00500009;
    uint32_t intmsk = 0xFEFFFF7F;
    uint32_t intsubmsk = 0x000007FE;

    int32_t capturing = 0;    // both masks set: GPBDAT stores are sample bits
    int32_t restore_seen = 0; // after a capture: bit 0 INTMSK, bit 1 INTSUBMSK written
    int32_t pin_warned = 0;
    uint32_t intmsk_before = 0, intsubmsk_before = 0;
    uint32_t intmsk_after = 0, intsubmsk_after = 0;
    uint32_t bit_count = 0;
    std::atomic<uint32_t> finished{0}; // playbacks completed so far
    uint8_t bits[SOC_CAPTURE_MAX_BITS];
};

SocState *state;
uint8_t *windows[BLOCK_COUNT];
uint32_t taken; // playbacks the simulator has collected (simulator side only)

[[noreturn]] void refuse(const char *what, uint32_t offset, BlockId block) {
    fprintf(stderr,
            "ipslide-sim: %s at offset 0x%02X of the %s block (0x%08lX): not a register "
            "the simulated board has\n",
            what, offset, BLOCKS[block].name, static_cast<unsigned long>(BLOCKS[block].phys));
    abort();
}

bool locate(volatile void *reg, BlockId *block, uint32_t *offset) {
    auto *p = static_cast<uint8_t *>(const_cast<void *>(reg));
    for (int b = 0; b < BLOCK_COUNT; ++b) {
        if (windows[b] != nullptr && p >= windows[b] && p < windows[b] + BLOCK_BYTES) {
            *block = static_cast<BlockId>(b);
            *offset = static_cast<uint32_t>(p - windows[b]);
            return true;
        }
    }
    return false;
}

uint32_t *register_at(BlockId block, uint32_t offset) {
    switch (block) {
    case GPIO:
        return offset == 0x10 ? &state->gpbcon : offset == 0x14 ? &state->gpbdat : nullptr;
    case TIMER:
        return offset == 0x08 ? &state->tcon : nullptr;
    case INTC:
        return offset == 0x08 ? &state->intmsk : offset == 0x1C ? &state->intsubmsk : nullptr;
    default:
        return nullptr;
    }
}

uint32_t *checked_register(volatile uint32_t *reg, const char *what) {
    BlockId block = GPIO;
    uint32_t offset = 0;
    if (!locate(reg, &block, &offset)) {
        fprintf(stderr, "ipslide-sim: %s at %p, outside the SoC's register blocks\n", what,
                const_cast<uint32_t *>(reg));
        abort();
    }
    uint32_t *value = register_at(block, offset);
    if (value == nullptr) {
        refuse(what, offset, block);
    }
    return value;
}

// A buzzer driven while its pin is not an output, or while timer 0 may still drive
// it, would not sound as captured; say so once per playback.
void check_pin_once() {
    if (state->pin_warned) {
        return;
    }
    state->pin_warned = 1;
    if ((state->gpbcon & 3u) != 1u) {
        fprintf(stderr, "ipslide-sim: GPB0 is not configured as an output (GPBCON 0x%08X)\n",
                state->gpbcon);
    }
    if ((state->tcon & 1u) != 0) {
        fprintf(stderr, "ipslide-sim: timer 0 still runs during playback (TCON 0x%08X)\n",
                state->tcon);
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

void mask_written(uint32_t *reg, uint32_t value) {
    bool is_intmsk = reg == &state->intmsk;
    if (!state->capturing && state->restore_seen == 0) {
        (is_intmsk ? state->intmsk_before : state->intsubmsk_before) = *reg;
    }
    *reg = value;
    bool masked = state->intmsk == INTMSK_ALL && state->intsubmsk == INTSUBMSK_ALL;
    if (masked && !state->capturing) {
        state->capturing = 1;
        state->restore_seen = 0;
        state->pin_warned = 0;
        state->bit_count = 0;
        return;
    }
    if (!masked && state->capturing) {
        state->capturing = 0;
        state->restore_seen = 4;
    }
    if (state->restore_seen & 4) {
        state->restore_seen |= is_intmsk ? 1 : 2;
        if ((state->restore_seen & 3) == 3) {
            state->restore_seen = 0;
            state->intmsk_after = state->intmsk;
            state->intsubmsk_after = state->intsubmsk;
            state->finished.fetch_add(1, std::memory_order_release);
        }
    }
}

} // namespace

void soc_init(const SimOptions &) {
    void *mem =
        mmap(nullptr, sizeof(SocState), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    void *reserved = mmap(nullptr, WINDOW_BYTES * BLOCK_COUNT, PROT_NONE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mem == MAP_FAILED || reserved == MAP_FAILED) {
        perror("ipslide-sim: SoC register blocks");
        exit(2);
    }
    state = new (mem) SocState();
    for (int b = 0; b < BLOCK_COUNT; ++b) {
        windows[b] = static_cast<uint8_t *>(reserved) + b * WINDOW_BYTES;
    }
    taken = 0;
}

void *soc_map(off_t phys, size_t length) {
    for (int b = 0; b < BLOCK_COUNT; ++b) {
        if (BLOCKS[b].phys == phys && length > 0 && length <= BLOCK_BYTES && state != nullptr) {
            return windows[b];
        }
    }
    fprintf(stderr, "ipslide-sim: /dev/mem has no %zu-byte block at 0x%08lX\n", length,
            static_cast<unsigned long>(phys));
    return nullptr;
}

bool soc_owns(volatile void *reg) {
    BlockId block = GPIO;
    uint32_t offset = 0;
    return locate(reg, &block, &offset);
}

uint32_t soc_read32(volatile uint32_t *reg) {
    return *checked_register(reg, "32-bit read");
}

void soc_write32(volatile uint32_t *reg, uint32_t value) {
    uint32_t *target = checked_register(reg, "32-bit write");
    if (target == &state->intmsk || target == &state->intsubmsk) {
        mask_written(target, value);
        return;
    }
    *target = value;
    if (target == &state->gpbdat && state->capturing) {
        capture_bit(value);
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
    playback->intmsk_before = state->intmsk_before;
    playback->intsubmsk_before = state->intsubmsk_before;
    playback->intmsk_after = state->intmsk_after;
    playback->intsubmsk_after = state->intsubmsk_after;
    return true;
}
