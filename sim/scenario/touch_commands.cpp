// Scenario commands for the touch panel: taps and presses at screen pixels or at
// raw panel values, and a wait until the touch reader has taken every event the
// panel sent.
#include "devices/board_clock.h"
#include "devices/touch_panel.h"
#include "front/progress.h"
#include "model/lcd.h"
#include "model/touch.h"
#include "scenario/commands.h"
#include "scenario/player.h"

#include <limits>
#include <string>

namespace {

// The screen pixel of the first two words, and the raw panel values that hit it.
bool screen_args(const ScenarioCommand &command, long *x, long *y, int32_t *raw_x, int32_t *raw_y,
                 std::string *error) {
    if (!parse_int_arg(command.args[0], 0, SCREEN_W - 1, x) ||
        !parse_int_arg(command.args[1], 0, SCREEN_H - 1, y)) {
        *error = "a screen pixel is X 0..319 and Y 0..239";
        return false;
    }
    touch_screen_to_raw(static_cast<int>(*x), static_cast<int>(*y), raw_x, raw_y);
    return true;
}

// The pen lifts on the player's timeline, not on a thread: a scenario that
// ends right after a tap shuts the board down with the release still pending,
// and the release is dropped instead of reaching a board that is gone.
void release_later(ScenarioContext &context) {
    const ScenarioBoard *board = context.board;
    context.later.at(monotonic_us() + TAP_HOLD_US, [board] { board->release(); });
}

} // namespace

bool run_tap(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    long x = 0, y = 0;
    int32_t raw_x = 0, raw_y = 0;
    if (!screen_args(command, &x, &y, &raw_x, &raw_y, error)) {
        return false;
    }
    progress(command.at_ms, "tap %ld %ld (raw %d %d)", x, y, raw_x, raw_y);
    context.board->press_raw(raw_x, raw_y);
    release_later(context);
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
    progress(command.at_ms, "tap-raw %ld %ld", raw_x, raw_y);
    context.board->press_raw(static_cast<int32_t>(raw_x), static_cast<int32_t>(raw_y));
    release_later(context);
    return true;
}

bool run_press(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    long x = 0, y = 0;
    int32_t raw_x = 0, raw_y = 0;
    if (!screen_args(command, &x, &y, &raw_x, &raw_y, error)) {
        return false;
    }
    progress(command.at_ms, "press %ld %ld", x, y);
    context.board->press_raw(raw_x, raw_y);
    return true;
}

bool run_release(ScenarioContext &context, const ScenarioCommand &command, std::string *) {
    progress(command.at_ms, "release");
    context.board->release();
    return true;
}

// The reader folds what arrives while it settles after a pen-down into that
// touch, a second pen-down included; on a loaded machine a reader held up for a
// while would fold a quick next tap into the last one. Scripts that must not lose
// a tap (a soak's scripted moves) wait for the panel's queue to empty first.
bool run_wait_touch_read(ScenarioContext &context, const ScenarioCommand &command,
                         std::string *error) {
    return wait_for_command(
        context, command, 0, [] { return touch_panel_queued_bytes() == 0; }, error,
        "events still queued after");
}
