// Stand-ins the puzzle tests install in the platform table: a clock moved by hand,
// a fixed time of day, and the SoC's three register blocks with every access
// recorded.
#pragma once

#include "assets/puzzle_tables.h"
#include "scenes/puzzle/buzzer_internal.h"
#include "scenes/puzzle/puzzle_board.h"
#include "support/test_board.h"

#include <cstddef>
#include <cstdint>
#include <sys/types.h>
#include <vector>

// --- clock -----------------------------------------------------------------------
// The puzzle tests run the test board's hand clock from here, well away from 0.
constexpr int64_t PUZZLE_TEST_START_MS = 1000000;

// Puzzle time (scene 1's clock) starts at 0 now.
void restart_puzzle_clock();
void set_puzzle_time(uint32_t ms); // moves the fake clock so puzzle time reads ms

// --- time of day ----------------------------------------------------------------
struct FakeTimeOfDay {
    int64_t sec = 0;
    int64_t usec = 0;
};
extern FakeTimeOfDay fake_time_of_day;
void install_fake_time_of_day();

// --- SoC registers ---------------------------------------------------------------
enum Block { GPIO = 0, TIMER = 1, INTC = 2 };

struct RegAccess {
    bool write;
    Block block;
    uint32_t offset;
    uint32_t value;
    bool operator==(const RegAccess &) const = default;
};

struct FakeSoc {
    uint32_t regs[3][256];
    std::vector<RegAccess> log;
    bool keep_log = true;
    uint32_t gpbdat_writes = 0;
    // Every this many port B data writes the fake clock moves 1 ms on; 0: never.
    uint32_t writes_per_ms = 0;
    // bit_delay_counter as each port B data write found it.
    std::vector<int32_t> counter_at_gpbdat_write;
    int opens = 0;
    int open_flags = -1;
    std::vector<off_t> mmap_offsets;
    std::vector<size_t> mmap_lengths;
    int mmap_prot = 0;
    int mmap_flags = 0;
    int mmap_fd = -1;
    int closes = 0;
    // Each release: the block (-1 for an address that is none of them), its length,
    // and how many register accesses the log held by then.
    struct Unmap {
        int block;
        size_t length;
        size_t accesses_before;
        bool operator==(const Unmap &) const = default;
    };
    std::vector<Unmap> unmaps;
};
extern FakeSoc fake_soc;

constexpr int FAKE_MEM_FD = 57;

// Registers as a running kernel leaves them; the mapping calls recorded.
void install_fake_soc();

// --- boards ------------------------------------------------------------------------
// The board from any start after the shuffle seeded with `seed`, computed here from
// the rules alone: 1000 accepted draws of trunc(rand() * 9 / 2147483647).
PuzzleBoard reference_shuffle(PuzzleBoard start, uint32_t seed);

bool is_permutation_with_hole(const PuzzleBoard &board);

// Even number of inversions among the eight tiles: reachable from solved.
bool is_solvable(const PuzzleBoard &board);

void reset_puzzle(const PuzzleBoard &board);
PuzzleBoard solved_board();
