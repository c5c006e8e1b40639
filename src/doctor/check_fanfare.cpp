#include "assets/victory_sample.h"
#include "doctor/board_files.h"
#include "doctor/checks.h"
#include "doctor/report.h"
#include "platform/platform.h"
#include "scenes/puzzle/buzzer_internal.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <time.h>

namespace {

constexpr char CHECK[] = "fanfare";
// Enough bits to time the loop well, few enough to take a fraction of a second.
constexpr int MEASURED_BITS = 4000;
// The rate the sample was made for: 3000 turns at about 8 cycles on a 400 MHz
// ARM920T give 60 microseconds a bit.
constexpr double NOMINAL_BITS_PER_S = 16667.0;
constexpr char WATCHDOG[] = "/sys/class/watchdog/watchdog0";

double now_s() {
    timespec t{};
    platform.clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A running watchdog's timeout in seconds, or 0 when none runs.
long watchdog_timeout_s() {
    char path[96], text[32];
    snprintf(path, sizeof path, "%s/state", WATCHDOG);
    if (!read_text(path, text, sizeof text) || strncmp(text, "active", 6) != 0) {
        return 0;
    }
    snprintf(path, sizeof path, "%s/timeout", WATCHDOG);
    return read_text(path, text, sizeof text) ? strtol(text, nullptr, 10) : 0;
}

} // namespace

// The playback's own wait, with nothing masked and the pin not driven.
FanfareTiming fanfare_measure() {
    double start = now_s();
    for (int i = 0; i < MEASURED_BITS; ++i) {
        buzzer_bit_wait();
    }
    double bit_s = (now_s() - start) / MEASURED_BITS;
    FanfareTiming timing{};
    timing.bit_us = bit_s * 1e6;
    timing.playback_s = bit_s * VICTORY_SAMPLE_BYTES * 8;
    timing.semitones = bit_s > 0 ? 12.0 * std::log2(1.0 / bit_s / NOMINAL_BITS_PER_S) : 0;
    return timing;
}

void check_fanfare() {
    FanfareTiming timing = fanfare_measure();
    long timeout = watchdog_timeout_s();
    if (timeout > 0 && timing.playback_s >= static_cast<double>(timeout)) {
        char found[160];
        snprintf(found, sizeof found,
                 "the running watchdog's timeout is %ld s, the masked playback lasts %.1f s",
                 timeout, timing.playback_s);
        report_fail(CHECK, found,
                    "nothing can feed the watchdog while every interrupt is masked: the board "
                    "resets at the first victory",
                    "a longer watchdog timeout (s3c2410_wdt.tmr_margin=S), or no watchdog");
        return;
    }
    report_ok(CHECK,
              "a bit takes %.1f us here, so the masked playback lasts %.1f s, %+.1f semitones "
              "against 16,667 bits a second%s",
              timing.bit_us, timing.playback_s, timing.semitones,
              timeout > 0 ? ", within the watchdog's timeout" : "; no watchdog runs");
}
