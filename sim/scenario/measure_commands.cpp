// Scenario commands that measure what the application does around a frame, for
// tools/measure-sim: when the first frame appears, how many frames a second a scene
// shows, how long a touch takes to reach the screen, how much memory the main
// process holds. Each prints one line
//   ipslide-sim: measure NAME VALUE UNIT
// These are measurements on whatever machine runs them, never pass or fail.
//
// A frame is counted by the event wait that follows it: the main loop presents,
// then waits (sim_platform counts the waits), so a scene that is still and blocked
// in a wait without a time limit shows no frames at all.
#include "devices/board_clock.h"
#include "devices/board_state.h"
#include "devices/touch_panel.h"
#include "scenario/commands.h"
#include "scenario/player.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint64_t POLL_US = 100;
constexpr uint64_t TOUCH_TIMEOUT_US = 2000000;
constexpr long STARTUP_TIMEOUT_MS = 60000;

void report(const std::string &name, double value, const char *unit) {
    printf("ipslide-sim: measure %s %.3f %s\n", name.c_str(), value, unit);
    fflush(stdout);
}

} // namespace

// The first frame is on the screen when the main process begins its first event
// wait, and sim_platform stamps that moment.
bool run_measure_startup(ScenarioContext &context, const ScenarioCommand &, std::string *error) {
    const BoardState &board = *board_state();
    if (!wait_for(
            context, STARTUP_TIMEOUT_MS, "measure-startup",
            [&board] { return board.waits.load() != 0; }, error, "no frame within")) {
        return false;
    }
    report("startup-to-first-present", (board.wait_begin_us.load() - context.start_us) / 1000.0,
           "ms");
    return true;
}

namespace {

// Waits up to 200 ms for the main process to begin its next event wait; then
// *count and *at are that wait's number and time (stamped by the board, so the
// poll's pace does not matter). False when none begins.
bool next_wait(ScenarioContext &context, uint32_t *count, uint64_t *at) {
    const BoardState &board = *board_state();
    uint32_t before = board.waits.load();
    std::string ignored;
    if (!wait_for(
            context, 200, "", [&board, before] { return board.waits.load() != before; },
            &ignored)) {
        return false;
    }
    *count = board.waits.load();
    *at = board.wait_begin_us.load();
    return true;
}

} // namespace

// Frames a second over about MS: between the beginnings of two event waits, so
// the figure is the frame period itself, not a count cut off by the window. A scene
// that begins no wait at all shows no frame: its figure is the count, 0.
bool run_measure_frames(ScenarioContext &context, const ScenarioCommand &command,
                        std::string *error) {
    long period_ms = 0;
    if (!parse_int_arg(command.args[0], 100, 600000, &period_ms)) {
        *error = "\"" + command.args[0] + "\" is not a period in milliseconds";
        return false;
    }
    const BoardState &board = *board_state();
    std::string name = "frames-per-second-" + command.args[1];
    uint32_t first = 0, last = 0;
    uint64_t first_at = 0, last_at = 0;
    if (!next_wait(context, &first, &first_at)) {
        uint32_t waits = board.waits.load();
        uint32_t slides = board.slide_frames.load();
        usleep(static_cast<useconds_t>(period_ms * 1000));
        uint32_t frames = board.waits.load() - waits + board.slide_frames.load() - slides;
        report(name, frames * 1000.0 / period_ms, "1/s");
        return true;
    }
    usleep(static_cast<useconds_t>(period_ms * 1000));
    if (!next_wait(context, &last, &last_at) || last_at <= first_at) {
        *error = "measure-frames: the frames stopped";
        return false;
    }
    report(name, (last - first) * 1e6 / static_cast<double>(last_at - first_at), "1/s");
    return true;
}

// Presses, then watches the screen memory until its first pixel changes. The screen
// must be still before the press (the shown scene idle), or a frame that was coming
// anyway would be taken for the touch's.
bool run_measure_touch(ScenarioContext &, const ScenarioCommand &command, std::string *error) {
    long x = 0, y = 0;
    if (!parse_int_arg(command.args[0], 0, 319, &x) ||
        !parse_int_arg(command.args[1], 0, 239, &y)) {
        *error = "a screen pixel is X 0..319 and Y 0..239";
        return false;
    }
    BoardState &board = *board_state();
    if (board.idle_wait.load() == 0) {
        *error = "measure-touch: the screen is not still (wait-idle first)";
        return false;
    }
    std::vector<uint16_t> before(std::begin(board.screen), std::end(board.screen));
    touch_panel_press(static_cast<int>(x), static_cast<int>(y));
    uint64_t pressed = board.press_us.load();
    uint64_t changed = 0;
    while (changed == 0) {
        if (memcmp(before.data(), board.screen, sizeof board.screen) != 0) {
            changed = monotonic_us();
        } else if (monotonic_us() - pressed > TOUCH_TIMEOUT_US) {
            *error = "measure-touch: the screen did not change within 2 s";
            touch_panel_release();
            return false;
        } else {
            usleep(POLL_US);
        }
    }
    uint64_t held = monotonic_us() - pressed;
    if (held < TAP_HOLD_US) {
        usleep(static_cast<useconds_t>(TAP_HOLD_US - held));
    }
    touch_panel_release();
    report("touch-to-screen", (changed - pressed) / 1000.0, "ms");
    return true;
}

namespace {

// One "Name:   value kB" line of /proc/PID/status, in kB; -1 when it is missing.
long status_kb(const std::string &status, const char *name) {
    size_t at = status.find(std::string(name) + ":");
    if (at == std::string::npos) {
        return -1;
    }
    return atol(status.c_str() + at + strlen(name) + 1);
}

} // namespace

bool run_measure_memory(ScenarioContext &, const ScenarioCommand &, std::string *error) {
    std::string path = "/proc/" + std::to_string(board_state()->app_pid.load()) + "/status";
    std::ifstream in(path);
    std::string status((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (status.empty()) {
        *error = "measure-memory: cannot read " + path;
        return false;
    }
    for (const char *name : {"VmRSS", "VmHWM", "RssAnon", "RssFile", "RssShmem"}) {
        std::string key = name;
        std::transform(key.begin(), key.end(), key.begin(), ::tolower);
        report("memory-" + key, static_cast<double>(status_kb(status, name)), "kB");
    }
    return true;
}
