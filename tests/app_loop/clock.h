// A hand-driven monotonic clock for the time base.
#pragma once

#include "platform/platform.h"

#include <cerrno>
#include <cstdint>

namespace fake_clock {

inline int64_t now_ns;
inline bool failing;

inline int clock_gettime(clockid_t clock, struct timespec *ts) {
    if (failing || clock != CLOCK_MONOTONIC) {
        errno = EINVAL;
        return -1;
    }
    ts->tv_sec = static_cast<time_t>(now_ns / 1000000000);
    ts->tv_nsec = static_cast<long>(now_ns % 1000000000);
    return 0;
}

inline void set_ms(int64_t ms) {
    now_ns = ms * 1000000;
}

inline void install() {
    failing = false;
    now_ns = 0;
    platform.clock_gettime = clock_gettime;
}

} // namespace fake_clock
