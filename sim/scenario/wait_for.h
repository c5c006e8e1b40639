// Waiting for a state in a scenario command, shared by the commands of every device.
#pragma once

#include "board/board_clock.h"
#include "scenario/scenario.h"

#include <string>
#include <unistd.h>

// Polls `ready` until it holds or the timeout passes; the time spent is added to the
// scenario's shift so later commands keep their distance from this one.
template <typename Ready>
bool wait_for(ScenarioContext &context, long timeout_ms, const std::string &what, Ready ready,
              std::string *error) {
    uint64_t begin = monotonic_us();
    uint64_t limit = begin + static_cast<uint64_t>(timeout_ms) * 1000;
    for (;;) {
        if (ready()) {
            context.shift_us += monotonic_us() - begin;
            return true;
        }
        std::string why;
        if (!context.board->running(context, &why)) {
            *error = what + ": " + why;
            return false;
        }
        if (monotonic_us() > limit) {
            *error = what + ": not within " + std::to_string(timeout_ms) + " ms";
            return false;
        }
        usleep(1000);
    }
}
