#include "puzzle_fakes.h"

#include "app/time_base.h"
#include "platform/platform.h"
#include "scenes/puzzle/buzzer_internal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

FakeTimeOfDay fake_time_of_day;
FakeSoc fake_soc;

namespace {

int64_t puzzle_base_ms;

int fake_gettimeofday(struct timeval *tv, void *) {
    tv->tv_sec = static_cast<time_t>(fake_time_of_day.sec);
    tv->tv_usec = static_cast<suseconds_t>(fake_time_of_day.usec);
    return 0;
}

int fake_open(const char *path, int flags, mode_t) {
    if (strcmp(path, "/dev/mem") != 0) {
        errno = ENOENT;
        return -1;
    }
    fake_soc.opens++;
    fake_soc.open_flags = flags;
    return FAKE_MEM_FD;
}

int fake_close(int fd) {
    if (fd == FAKE_MEM_FD) {
        fake_soc.closes++;
    }
    return 0;
}

void *fake_mmap(void *, size_t length, int prot, int flags, int fd, off_t offset) {
    fake_soc.mmap_offsets.push_back(offset);
    fake_soc.mmap_lengths.push_back(length);
    fake_soc.mmap_prot = prot;
    fake_soc.mmap_flags = flags;
    fake_soc.mmap_fd = fd;
    switch (offset) {
    case GPIO_PHYS:
        return fake_soc.regs[GPIO];
    case TIMER_PHYS:
        return fake_soc.regs[TIMER];
    case INTC_PHYS:
        return fake_soc.regs[INTC];
    default:
        errno = EINVAL;
        return MAP_FAILED;
    }
}

int fake_munmap(void *addr, size_t length) {
    int block = -1;
    for (int b = 0; b < 3; ++b) {
        block = addr == fake_soc.regs[b] ? b : block;
    }
    fake_soc.unmaps.push_back({block, length, fake_soc.log.size()});
    return 0;
}

RegAccess locate(volatile uint32_t *reg) {
    for (int b = 0; b < 3; ++b) {
        volatile uint32_t *base = fake_soc.regs[b];
        if (reg >= base && reg < base + 256) {
            return {false, static_cast<Block>(b), static_cast<uint32_t>((reg - base) * 4), 0};
        }
    }
    fprintf(stderr, "register access outside the fake blocks\n");
    abort();
}

uint32_t recording_read32(volatile uint32_t *reg) {
    RegAccess access = locate(reg);
    access.value = *reg;
    if (fake_soc.keep_log) {
        fake_soc.log.push_back(access);
    }
    return access.value;
}

void count_gpbdat_write() {
    fake_soc.gpbdat_writes++;
    fake_soc.counter_at_gpbdat_write.push_back(static_cast<int32_t>(bit_delay_counter));
    if (fake_soc.writes_per_ms != 0 && fake_soc.gpbdat_writes % fake_soc.writes_per_ms == 0) {
        test_board::clock_advance_ms(1);
    }
}

void recording_write32(volatile uint32_t *reg, uint32_t value) {
    RegAccess access = locate(reg);
    access.write = true;
    access.value = value;
    *reg = value;
    if (fake_soc.keep_log) {
        fake_soc.log.push_back(access);
    }
    if (access.block == GPIO && access.offset == GPBDAT_OFFSET) {
        count_gpbdat_write();
    }
}

int inversions(const PuzzleBoard &board) {
    int count = 0;
    for (int a = 0; a < 9; ++a) {
        for (int b = a + 1; b < 9; ++b) {
            int va = board.cells[a];
            int vb = board.cells[b];
            count += va != 8 && vb != 8 && va > vb;
        }
    }
    return count;
}

bool edge_or_same(int a, int b) {
    return abs(a / 3 - b / 3) + abs(a % 3 - b % 3) <= 1;
}

} // namespace

void restart_puzzle_clock() {
    int64_t step = test_board::hand_clock.step_per_read_ns;
    test_board::hand_clock.step_per_read_ns = 0;
    puzzle_base_ms = test_board::clock_ms();
    scene_mark_start(SCENE_PUZZLE);
    test_board::hand_clock.step_per_read_ns = step;
}

void set_puzzle_time(uint32_t ms) {
    test_board::clock_set_ms(puzzle_base_ms + ms);
}

void install_fake_time_of_day() {
    platform.gettimeofday = fake_gettimeofday;
    fake_time_of_day = FakeTimeOfDay();
}

void install_fake_soc() {
    fake_soc = FakeSoc();
    memset(fake_soc.regs, 0, sizeof fake_soc.regs);
    fake_soc.regs[GPIO][GPBCON_OFFSET / 4] = 0x00044556;
    fake_soc.regs[GPIO][GPBDAT_OFFSET / 4] = 0x000005A6;
    fake_soc.regs[TIMER][TCON_OFFSET / 4] = 0x00707A0F;
    fake_soc.regs[INTC][INTMSK_OFFSET / 4] = 0xFEFFFF7F;
    fake_soc.regs[INTC][INTSUBMSK_OFFSET / 4] = 0x000007FE;
    platform.open = fake_open;
    platform.close = fake_close;
    platform.mmap = fake_mmap;
    platform.munmap = fake_munmap;
    platform.reg_read32 = recording_read32;
    platform.reg_write32 = recording_write32;
}

PuzzleBoard reference_shuffle(PuzzleBoard board, uint32_t seed) {
    srand(seed);
    int accepted = 0;
    while (accepted < 1000) {
        int r = static_cast<int>(static_cast<double>(rand()) * 9 / 2147483647);
        if (r == 9 || !edge_or_same(r, board.hole)) {
            continue;
        }
        std::swap(board.cells[r], board.cells[board.hole]);
        board.hole = r;
        ++accepted;
    }
    return board;
}

bool is_permutation_with_hole(const PuzzleBoard &board) {
    bool seen[9] = {};
    for (int c = 0; c < 9; ++c) {
        int v = board.cells[c];
        if (v < 0 || v > 8 || seen[v]) {
            return false;
        }
        seen[v] = true;
    }
    return board.hole >= 0 && board.hole < 9 && board.cells[board.hole] == 8;
}

bool is_solvable(const PuzzleBoard &board) {
    return inversions(board) % 2 == 0;
}

void reset_puzzle(const PuzzleBoard &board) {
    puzzle_board = board;
    puzzle_state = PuzzleState();
}

PuzzleBoard solved_board() {
    return {8, {0, 1, 2, 3, 4, 5, 6, 7, 8}};
}
