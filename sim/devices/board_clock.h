// The clock every part of the simulated board stamps with: monotonic
// microseconds, the same in the simulator and in the application's processes.
#pragma once

#include <cstdint>
#include <ctime>

inline uint64_t monotonic_us() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000;
}
