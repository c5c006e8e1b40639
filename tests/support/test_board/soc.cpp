#include "support/test_board.h"

#include "platform/platform.h"
#include "scenes/puzzle/buzzer_internal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

namespace test_board {

Soc soc;
TimeOfDay time_of_day;

namespace {

int soc_open(const char *path, int flags, mode_t) {
    if (strcmp(path, "/dev/mem") != 0) {
        errno = ENOENT;
        return -1;
    }
    soc.opens++;
    soc.open_flags = flags;
    return MEM_FD;
}

int soc_close(int fd) {
    if (fd == MEM_FD) {
        soc.closes++;
    }
    return 0;
}

void *soc_mmap(void *, size_t length, int prot, int flags, int fd, off_t offset) {
    soc.mmap_offsets.push_back(offset);
    soc.mmap_lengths.push_back(length);
    soc.mmap_prot = prot;
    soc.mmap_flags = flags;
    soc.mmap_fd = fd;
    switch (offset) {
    case GPIO_PHYS:
        return soc.regs[GPIO];
    case TIMER_PHYS:
        return soc.regs[TIMER];
    case INTC_PHYS:
        return soc.regs[INTC];
    default:
        errno = EINVAL;
        return MAP_FAILED;
    }
}

int soc_munmap(void *addr, size_t length) {
    int block = -1;
    for (int b = 0; b < 3; ++b) {
        block = addr == soc.regs[b] ? b : block;
    }
    soc.unmaps.push_back({block, length, soc.log.size()});
    return 0;
}

int soc_mlockall(int flags) {
    soc.lock_flags = flags;
    if (soc.lock_error != 0) {
        errno = soc.lock_error;
        return -1;
    }
    soc.locked_after = static_cast<long>(soc.log.size());
    return 0;
}

int soc_munlockall() {
    soc.unlocked_after = static_cast<long>(soc.log.size());
    return 0;
}

RegAccess locate(volatile uint32_t *reg) {
    for (int b = 0; b < 3; ++b) {
        volatile uint32_t *base = soc.regs[b];
        if (reg >= base && reg < base + 256) {
            return {false, static_cast<Block>(b), static_cast<uint32_t>((reg - base) * 4), 0};
        }
    }
    fprintf(stderr, "register access outside the SoC's blocks\n");
    abort();
}

void record(const RegAccess &access) {
    if (soc.keep_log) {
        soc.log.push_back(access);
    }
    if (soc.accesses_on_stderr) {
        fprintf(stderr, "register %s %d 0x%02x\n", access.write ? "write" : "read", access.block,
                static_cast<unsigned>(access.offset));
    }
}

uint32_t recording_read32(volatile uint32_t *reg) {
    RegAccess access = locate(reg);
    access.value = soc_reg(soc, access.block, access.offset);
    record(access);
    return access.value;
}

void count_gpbdat_write() {
    soc.gpbdat_writes++;
    soc.counter_at_gpbdat_write.push_back(static_cast<int32_t>(bit_delay_counter));
    if (soc.writes_per_ms != 0 && soc.gpbdat_writes % soc.writes_per_ms == 0) {
        clock_advance_ms(1);
    }
}

void recording_write32(volatile uint32_t *reg, uint32_t value) {
    RegAccess access = locate(reg);
    access.write = true;
    access.value = value;
    SocStore store = soc_model_write(&soc, access.block, access.offset, value);
    soc.sample_bits += store == SOC_SAMPLE_BIT ? 1 : 0;
    soc.captures += store == SOC_CAPTURE_ENDED ? 1 : 0;
    record(access);
    if (access.block == GPIO && access.offset == GPBDAT_OFFSET) {
        count_gpbdat_write();
    }
}

int fixed_time_of_day(struct timeval *tv, void *) {
    tv->tv_sec = static_cast<time_t>(time_of_day.sec);
    tv->tv_usec = static_cast<suseconds_t>(time_of_day.usec);
    return 0;
}

} // namespace

void soc_install() {
    soc = Soc();
    soc_model_reset(&soc);
    platform.open = soc_open;
    platform.close = soc_close;
    platform.mmap = soc_mmap;
    platform.munmap = soc_munmap;
    platform.mlockall = soc_mlockall;
    platform.munlockall = soc_munlockall;
    platform.reg_read32 = recording_read32;
    platform.reg_write32 = recording_write32;
}

void time_of_day_install() {
    platform.gettimeofday = fixed_time_of_day;
    time_of_day = TimeOfDay();
}

} // namespace test_board
