// The one fake board of the tests and the fault walker: a board on which every
// platform call succeeds, as on a board with its devices in place, and its parts
// for the tests that need only one of them (the SoC's registers, the time of day;
// the hand clock and the screen are the still renderer's own). Everything goes
// through the platform table; a PlatformGuard (platform_guard.h) around the use
// puts the table back. No GoogleTest here.
#pragma once

#include "model/soc.h"
#include "still/still_board.h"

#include <cstddef>
#include <cstdint>
#include <sys/types.h>
#include <vector>

namespace test_board {

// The hand clock, the screen, the address delivery and the quiet standard error:
// the pieces the stills are made on, played the same way here.
using namespace still;

// --- the whole board ---------------------------------------------------------------

// Where the board's hand clock starts, well away from 0.
constexpr int64_t START_MS = 1000000;

// Installs the whole board in the platform table and the font's FreeType seam,
// as a first start in this boot finds it: /dev/fb0 maps a static screen, the
// stick is not yet mounted and then lists stick_names (the font name stands for
// DejaVu Sans Bold), the DM9000 reports its link up, the touch panel plays one
// pen-down with its coordinates, the pipes carry an address and a touch whenever
// read, forks return on the parent's side, /dev/mem maps the SoC below, the hand
// clock stands at START_MS and the time of day below is fixed. Any other entry
// refuses with ENOSYS.
//
// Two calls end the process with status 0, as a completed path: the network
// worker's exec (the process has become the DHCP client) and a read of the panel
// once its events are all played (the touch reader would wait there for ever).
void install();

// As a start after an earlier one in the same boot finds it: the stick's folder
// made and mounted, and a stale file, no device node, where the touch node goes.
void install_restarted();

// As a worker sees it: forks return on the child's side.
void install_child_side();

// What readdir lists on the stick, null-ended; install() sets a note and the font.
extern const char *const *stick_names;

// --- the SoC's three register blocks behind /dev/mem, every access recorded ------

// The model's register file (model/soc.h) is the memory the blocks map to.
enum Block { GPIO = SOC_GPIO, TIMER = SOC_TIMER, INTC = SOC_INTC };

struct RegAccess {
    bool write;
    Block block;
    uint32_t offset;
    uint32_t value;
    bool operator==(const RegAccess &) const = default;
};

struct Soc : SocModel {
    std::vector<RegAccess> log;
    bool keep_log = true;
    // Each access also as a line "register ..." on standard error, for the walker.
    bool accesses_on_stderr = false;
    uint32_t gpbdat_writes = 0;
    // Port B data writes the model took as sample bits, and the captures it ended.
    uint32_t sample_bits = 0;
    uint32_t captures = 0;
    // Every this many port B data writes the hand clock moves 1 ms on; 0: never.
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
    // The memory lock around a playback: the flags it asked for, and how many
    // register accesses the log held when the pages were locked and unlocked (-1:
    // never). A non-zero lock_error makes the lock fail with that errno.
    int lock_flags = -1;
    long locked_after = -1;
    long unlocked_after = -1;
    int lock_error = 0;
};
extern Soc soc;

constexpr int MEM_FD = 57;

// The registers as a running kernel leaves them; /dev/mem's open, mappings and
// releases recorded. Opens of any other path fail with ENOENT.
void soc_install();

// --- the time of day that seeds the shuffle ------------------------------------------

struct TimeOfDay {
    int64_t sec = 0;
    int64_t usec = 0;
};
extern TimeOfDay time_of_day;
void time_of_day_install(); // at 0, until a test sets it

} // namespace test_board
