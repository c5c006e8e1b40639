// The DM9000 Ethernet controller as the network worker sees it: the model's ports
// (model/dm9000.h) in a 1024-byte window at 0x20000000; the link follows the
// simulated cable, and the PHY has power whenever the board runs.
#include "devices/dm9000.h"
#include "devices/board_clock.h"
#include "devices/board_state.h"
#include "options.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr size_t WINDOW_BYTES = DM9000_WINDOW;
constexpr uint64_t CABLE_SETTLE_US = 500000;
constexpr int64_t NEVER = std::numeric_limits<int64_t>::max();

// Shared between the simulator (the cable) and the application's processes.
struct Dm9000State {
    std::atomic<int64_t> link_up_at_us; // monotonic time the link is up from; NEVER: unplugged
    Dm9000Model chip;
};

Dm9000State *state;
// Reserved without access rights: the window's address is real, but only the
// register accessors may touch it; a direct load or store faults at once.
volatile uint8_t *window;

uintptr_t offset_of(volatile void *reg) {
    return reinterpret_cast<uintptr_t>(reg) - reinterpret_cast<uintptr_t>(window);
}

} // namespace

void dm9000_init(const SimOptions &options) {
    void *shared = mmap(nullptr, sizeof(Dm9000State), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    void *reserved = mmap(nullptr, WINDOW_BYTES, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED || reserved == MAP_FAILED) {
        perror("ipslide-sim: DM9000 memory");
        exit(2);
    }
    state = new (shared) Dm9000State();
    window = static_cast<volatile uint8_t *>(reserved);
    int64_t now = static_cast<int64_t>(monotonic_us());
    state->link_up_at_us = options.cable ? now + static_cast<int64_t>(CABLE_SETTLE_US) : NEVER;
}

void *dm9000_map(size_t length) {
    if (window == nullptr || length == 0 || length > WINDOW_BYTES) {
        return nullptr;
    }
    // The network worker maps the controller: it goes with the application, so a
    // killed simulator leaves no worker polling for a link.
    pid_t app = board_state()->app_pid;
    if (app > 0 && getpid() != app) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
    }
    return const_cast<uint8_t *>(window);
}

bool dm9000_owns(volatile void *reg) {
    return window != nullptr &&
           reinterpret_cast<uintptr_t>(reg) >= reinterpret_cast<uintptr_t>(window) &&
           offset_of(reg) < WINDOW_BYTES;
}

namespace {

// An 8-bit access anywhere else is a stray pointer of the application's.
void check_owned(volatile uint8_t *reg, const char *what) {
    if (!dm9000_owns(reg)) {
        fprintf(stderr, "ipslide-sim: %s at %p, outside the DM9000's ports\n", what,
                const_cast<uint8_t *>(reg));
        abort();
    }
}

} // namespace

uint8_t dm9000_read8(volatile uint8_t *reg) {
    check_owned(reg, "8-bit read");
    bool cable = dm9000_link();
    uint8_t value = 0xff;
    if (!dm9000_model_read(state->chip, offset_of(reg), cable, true, &value)) {
        fprintf(stderr, "sim: DM9000 read at offset %lu: only the ports at 0 and 4 exist\n",
                static_cast<unsigned long>(offset_of(reg)));
    } else if (offset_of(reg) == DM9000_DATA_PORT && state->chip.index == DM9000_NSR && !cable) {
        // The worker polls without a pause while the cable is out; a millisecond per
        // read keeps that from taking a whole host core for the rest of the run.
        usleep(1000);
    }
    return value;
}

void dm9000_write8(volatile uint8_t *reg, uint8_t value) {
    check_owned(reg, "8-bit write");
    if (!dm9000_model_write(&state->chip, offset_of(reg), value)) {
        fprintf(stderr, "sim: DM9000 write at offset %lu: only the ports at 0 and 4 exist\n",
                static_cast<unsigned long>(offset_of(reg)));
    }
}

void dm9000_set_link(bool up) {
    state->link_up_at_us = up ? static_cast<int64_t>(monotonic_us()) : NEVER;
}

bool dm9000_link() {
    return state != nullptr && static_cast<int64_t>(monotonic_us()) >= state->link_up_at_us;
}
