// The in-process test board: the pieces of a board that the unit tests, the
// benchmarks, the fuzz targets and the simulator's still renderer all need, kept
// in one place so that each of them plays the board the same way. Everything
// goes through the platform table; a PlatformGuard (platform_guard.h) around the
// use puts the table back. Plain static state, no C++ library: the benchmarks
// run it on the board's own runtime too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <linux/fb.h>
#include <sys/types.h>

namespace test_board {

// --- the clock: monotonic time that moves only when told ------------------------

struct HandClock {
    int64_t now_ns;
    // Added after every reading, so code that reads twice sees two times.
    int64_t step_per_read_ns;
    // Every reading then fails with EINVAL, as any clock other than
    // CLOCK_MONOTONIC always does.
    bool failing;
};
extern HandClock hand_clock;

// Installs the hand clock at start_ms, not stepping, not failing.
void clock_install(int64_t start_ms = 0);
void clock_set_ms(int64_t ms);
void clock_advance_ms(int64_t ms);
int64_t clock_ms();

// --- the screen: /dev/fb0 into a static buffer -----------------------------------

// open("/dev/fb0") gives a real descriptor (of /dev/null), FBIOPUT_VSCREENINFO
// records the mode, mmap of it gives the screen; other paths and requests go to
// the entries installed before.
void screen_install();
uint16_t *screen();                     // 320x240 RGB565 as fb_present writes it
const fb_var_screeninfo &screen_mode(); // the last mode set

// --- the address: what the DHCP script writes into the address pipe ---------------

// Starts the network worker with the worker itself not forked, writes `length`
// bytes of `text` into the address pipe (none: the write end is closed, as when
// the client ends) and lets address_receive take it. False, with a message on
// standard error, when the pipe takes less than all or nothing is received.
bool deliver_address(const char *text, size_t length);

// --- standard error off for a while (the atlas reports every glyph there) --------

void stderr_off();
void stderr_on();

class QuietStderr {
  public:
    QuietStderr() { stderr_off(); }
    ~QuietStderr() { stderr_on(); }
    QuietStderr(const QuietStderr &) = delete;
    QuietStderr &operator=(const QuietStderr &) = delete;
};

} // namespace test_board
