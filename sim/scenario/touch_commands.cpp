// Scenario commands for the touch panel: taps and presses at screen pixels or at
// raw panel values, and a wait until the touch reader has taken every event the
// panel sent.
#include "board/app_process.h"
#include "board/board_clock.h"
#include "devices/touch_panel.h"
#include "devices/touch_raw.h"
#include "scenario/commands.h"
#include "scenario/scenario.h"

#include <chrono>
#include <cstdio>
#include <limits>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

constexpr int SCREEN_W = 320;
constexpr int SCREEN_H = 240;
constexpr auto TAP_HOLD = std::chrono::milliseconds(50);

bool screen_args(const ScenarioCommand &command, int *x, int *y, std::string *error) {
    long sx = 0, sy = 0;
    if (!parse_int_arg(command.args[0], 0, SCREEN_W - 1, &sx) ||
        !parse_int_arg(command.args[1], 0, SCREEN_H - 1, &sy)) {
        *error = "a screen pixel is X 0..319 and Y 0..239";
        return false;
    }
    *x = static_cast<int>(sx);
    *y = static_cast<int>(sy);
    return true;
}

void release_later(const ScenarioBoard *board) {
    std::thread([board] {
        std::this_thread::sleep_for(TAP_HOLD);
        board->release();
    }).detach();
}

} // namespace

bool run_tap(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    int x = 0, y = 0;
    if (!screen_args(command, &x, &y, error)) {
        return false;
    }
    int32_t raw_x = 0, raw_y = 0;
    touch_screen_to_raw(x, y, &raw_x, &raw_y);
    printf("ipslide-sim: %6u ms  tap %d %d (raw %d %d)\n", command.at_ms, x, y, raw_x, raw_y);
    context.board->press_raw(raw_x, raw_y);
    release_later(context.board);
    return true;
}

bool run_tap_raw(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    long raw_x = 0, raw_y = 0;
    constexpr long LO = std::numeric_limits<int32_t>::min();
    constexpr long HI = std::numeric_limits<int32_t>::max();
    if (!parse_int_arg(command.args[0], LO, HI, &raw_x) ||
        !parse_int_arg(command.args[1], LO, HI, &raw_y)) {
        *error = "raw panel values are 32-bit integers";
        return false;
    }
    printf("ipslide-sim: %6u ms  tap-raw %ld %ld\n", command.at_ms, raw_x, raw_y);
    context.board->press_raw(static_cast<int32_t>(raw_x), static_cast<int32_t>(raw_y));
    release_later(context.board);
    return true;
}

bool run_press(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    int x = 0, y = 0;
    if (!screen_args(command, &x, &y, error)) {
        return false;
    }
    int32_t raw_x = 0, raw_y = 0;
    touch_screen_to_raw(x, y, &raw_x, &raw_y);
    printf("ipslide-sim: %6u ms  press %d %d\n", command.at_ms, x, y);
    context.board->press_raw(raw_x, raw_y);
    return true;
}

bool run_release(ScenarioContext &context, const ScenarioCommand &command, std::string *) {
    printf("ipslide-sim: %6u ms  release\n", command.at_ms);
    context.board->release();
    return true;
}

// The reader folds what arrives while it settles after a pen-down into that
// touch, a second pen-down included; on a loaded machine a reader held up for a
// while would fold a quick next tap into the last one. Scripts that must not lose
// a tap (a soak's scripted moves) wait for the panel's queue to empty first.
bool run_wait_touch_read(ScenarioContext &context, const ScenarioCommand &command,
                         std::string *error) {
    long timeout_ms = 15000;
    if (!command.args.empty() && !parse_int_arg(command.args[0], 1, 600000, &timeout_ms)) {
        *error = "\"" + command.args[0] + "\" is not a timeout in milliseconds";
        return false;
    }
    uint64_t begin = monotonic_us();
    while (touch_panel_queued_bytes() != 0) {
        int status = app_poll();
        if (status != -1) {
            context.app_status = status;
            *error = "wait-touch-read: the application " + describe_wait_status(status);
            return false;
        }
        if (monotonic_us() - begin > static_cast<uint64_t>(timeout_ms) * 1000) {
            *error =
                "wait-touch-read: events still queued after " + std::to_string(timeout_ms) + " ms";
            return false;
        }
        usleep(1000);
    }
    context.shift_us += monotonic_us() - begin;
    return true;
}
