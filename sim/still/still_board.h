// The small board a still is made on, inside the process that makes it: a clock
// that moves only when told, /dev/fb0 as a static screen, the main process's side
// of the address pipe with the network worker not forked, and standard error off
// while the atlas reports its glyphs. `ipslide-sim render` and the board's frame
// program make their stills on it; the tests and the benchmarks play the same
// pieces rather than copies of them. Everything goes through the platform table.
// Plain static state and no C++ library: the frame program runs on the board's
// own runtime, which has none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <linux/fb.h>
#include <sys/types.h>

namespace still {

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

} // namespace still
