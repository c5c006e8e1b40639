#include "still/still_board.h"

#include "platform/platform.h"

#include <cerrno>

namespace still {

HandClock hand_clock;

namespace {

int hand_clock_gettime(clockid_t clock, struct timespec *ts) {
    if (hand_clock.failing || clock != CLOCK_MONOTONIC) {
        errno = EINVAL;
        return -1;
    }
    ts->tv_sec = static_cast<time_t>(hand_clock.now_ns / 1000000000);
    ts->tv_nsec = static_cast<long>(hand_clock.now_ns % 1000000000);
    hand_clock.now_ns += hand_clock.step_per_read_ns;
    return 0;
}

} // namespace

void clock_install(int64_t start_ms) {
    hand_clock = HandClock{start_ms * 1000000, 0, false};
    platform.clock_gettime = hand_clock_gettime;
}

void clock_set_ms(int64_t ms) {
    hand_clock.now_ns = ms * 1000000;
}

void clock_advance_ms(int64_t ms) {
    hand_clock.now_ns += ms * 1000000;
}

int64_t clock_ms() {
    return hand_clock.now_ns / 1000000;
}

} // namespace still
