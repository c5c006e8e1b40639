#include "scenes/puzzle/buzzer_internal.h"

#include "assets/victory_sample.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>

uint32_t gpb_shadow;
volatile int32_t bit_delay_counter;

namespace {

constexpr uint32_t INTMSK_ALL = 0xFFFFFFFF;
constexpr uint32_t INTSUBMSK_ALL = 0xFFFF;
constexpr uint32_t TIMER0_CONTROL_BITS = 0x0F;
constexpr uint32_t GPB0_BIT = 1;
// The smallest page the board's MMU maps; reading one byte at this stride reaches
// every page of a range.
constexpr size_t PAGE_BYTES = 4096;

volatile uint32_t *gpio_regs;
volatile uint32_t *timer_regs;
volatile uint32_t *intc_regs;
uint32_t saved_intmsk;
uint32_t saved_intsubmsk;

volatile uint32_t *reg(volatile uint32_t *block, uint32_t offset) {
    return block + offset / sizeof(uint32_t);
}

volatile uint32_t *map_block(int fd, off_t phys) {
    void *block =
        platform.mmap(nullptr, REG_BLOCK_BYTES, PROT_READ | PROT_WRITE, MAP_SHARED, fd, phys);
    if (block == MAP_FAILED) {
        perror("mmap");
        exit(1);
    }
    return static_cast<volatile uint32_t *>(block);
}

// Every failure ends the process here, before a single register has changed, so
// the interrupt masks can never be left set by a failed start.
void map_registers() {
    int fd = platform.open("/dev/mem", DEV_MEM_FLAGS, 0);
    if (fd < 0) {
        perror("/dev/mem");
        exit(1);
    }
    gpio_regs = map_block(fd, GPIO_PHYS);
    timer_regs = map_block(fd, TIMER_PHYS);
    intc_regs = map_block(fd, INTC_PHYS);
    // The mappings outlive the descriptor; keeping it would leak one per victory.
    platform.close(fd);
}

// Every victory maps anew, so the mappings go once the sample is played; kept,
// three more would pile up per victory. A failed release changes nothing audible.
void unmap_registers() {
    platform.munmap(const_cast<uint32_t *>(gpio_regs), REG_BLOCK_BYTES);
    platform.munmap(const_cast<uint32_t *>(timer_regs), REG_BLOCK_BYTES);
    platform.munmap(const_cast<uint32_t *>(intc_regs), REG_BLOCK_BYTES);
    gpio_regs = timer_regs = intc_regs = nullptr;
}

void stop_timer0() {
    volatile uint32_t *tcon = reg(timer_regs, TCON_OFFSET);
    platform.reg_write32(tcon, platform.reg_read32(tcon) & ~TIMER0_CONTROL_BITS);
}

// Function field 01 is output; bit 1 is left alone as found.
void gpb0_as_output() {
    volatile uint32_t *gpbcon = reg(gpio_regs, GPBCON_OFFSET);
    platform.reg_write32(gpbcon, platform.reg_read32(gpbcon) | GPB0_BIT);
}

void touch_pages(const uint8_t *bytes, size_t count) {
    if (count == 0) {
        return;
    }
    for (size_t i = 0; i < count; i += PAGE_BYTES) {
        static_cast<void>(*static_cast<const volatile uint8_t *>(bytes + i));
    }
    static_cast<void>(*static_cast<const volatile uint8_t *>(bytes + count - 1));
}

// While every interrupt is masked, a page fault that needs the disk never ends: on
// an SD card, USB or NFS root the read completes only by interrupt, and the board
// hangs until it is switched off. So every page the playback can touch (the
// sample, the code, the stack, the statics, copy-on-write broken by the kernel's
// write fault) is brought in and pinned first. Without the lock (a memory-lock
// limit, no CAP_IPC_LOCK) the fanfare still plays: the sample, the only data read
// for the first time during playback, is at least brought in just before.
bool lock_resident(const uint8_t *sample, size_t bytes) {
    if (platform.mlockall(MCL_CURRENT) == 0) {
        return true;
    }
    touch_pages(sample, bytes);
    return false;
}

} // namespace

void irq_mask_all() {
    saved_intmsk = platform.reg_read32(reg(intc_regs, INTMSK_OFFSET));
    saved_intsubmsk = platform.reg_read32(reg(intc_regs, INTSUBMSK_OFFSET));
    platform.reg_write32(reg(intc_regs, INTMSK_OFFSET), INTMSK_ALL);
    platform.reg_write32(reg(intc_regs, INTSUBMSK_OFFSET), INTSUBMSK_ALL);
}

void irq_restore() {
    platform.reg_write32(reg(intc_regs, INTMSK_OFFSET), saved_intmsk);
    platform.reg_write32(reg(intc_regs, INTSUBMSK_OFFSET), saved_intsubmsk);
}

void buzzer_put_bit(int bit) {
    platform.reg_write32(reg(gpio_regs, GPBDAT_OFFSET), bit ? gpb_shadow | GPB0_BIT : gpb_shadow);
    buzzer_bit_wait();
}

void buzzer_bit_wait() {
    // The bit period: nothing but this loop runs between two stores. The counter is
    // loaded and stored once a turn and the test uses the value just stored, so the
    // loop is the five instructions (load, add, store, compare, branch) whose time the
    // sample's bit rate was computed from.
    bit_delay_counter = 0;
    int32_t count;
    do {
        count = bit_delay_counter + 1;
        bit_delay_counter = count;
    } while (count <= BIT_DELAY_LOOPS - 1);
}

void buzzer_play_sample(const uint8_t *sample, size_t bytes) {
    map_registers();
    bool locked = lock_resident(sample, bytes);
    irq_mask_all();
    stop_timer0();
    gpb0_as_output();
    gpb_shadow = platform.reg_read32(reg(gpio_regs, GPBDAT_OFFSET)) & ~GPB0_BIT;
    for (size_t i = 0; i < bytes; ++i) {
        for (int j = 0; j < 8; ++j) {
            buzzer_put_bit((sample[i] >> j) & 1);
        }
    }
    platform.reg_write32(reg(gpio_regs, GPBDAT_OFFSET), gpb_shadow);
    irq_restore();
    unmap_registers();
    // Pinned between victories, the pages would only be memory the kernel cannot
    // reclaim; the next victory locks them again.
    if (locked) {
        platform.munlockall();
    }
}

void buzzer_play() {
    buzzer_play_sample(victory_sample, VICTORY_SAMPLE_BYTES);
}
