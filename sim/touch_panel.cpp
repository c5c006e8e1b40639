// The touch panel: the reader's node "/tmp/touch" becomes a FIFO, and the
// simulator writes real 16-byte input event records into it, at raw panel
// values that the application's own calibration maps back to the touched pixel.
#include "board_state.h"
#include "devices.h"
#include "scenario.h"
#include "touch_raw.h"
#include "workers/input_event.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int SCREEN_W = 320;
constexpr int SCREEN_H = 240;
constexpr auto TAP_HOLD = std::chrono::milliseconds(50);

std::mutex feed_lock;
int feed_fd = -1; // the simulator's end of the FIFO, opened once the reader made it

InputEventRecord event(uint16_t type, uint16_t code, int32_t value) {
    uint64_t now = monotonic_us();
    return {static_cast<uint32_t>(now / 1000000), static_cast<uint32_t>(now % 1000000), type, code,
            value};
}

// Read-write and non-blocking: opening never waits for the reader, a full FIFO
// drops the touch instead of stalling the simulator, and the FIFO never sees its
// last writer go while the board runs.
bool feed_open() {
    if (feed_fd >= 0) {
        return true;
    }
    std::string path = std::string(board_state()->boot_dir) + "/touch";
    feed_fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    return feed_fd >= 0;
}

void feed(const InputEventRecord *events, size_t count) {
    std::lock_guard<std::mutex> hold(feed_lock);
    if (!feed_open()) {
        fprintf(stderr, "ipslide-sim: touch dropped: the touch reader has not made its node yet\n");
        return;
    }
    ssize_t bytes = static_cast<ssize_t>(count * sizeof *events);
    if (write(feed_fd, events, static_cast<size_t>(bytes)) != bytes) {
        fprintf(stderr, "ipslide-sim: touch dropped: the touch panel's queue is full\n");
    }
}

void press_raw(int32_t raw_x, int32_t raw_y) {
    const InputEventRecord events[] = {
        event(INPUT_EV_KEY, INPUT_BTN_TOUCH, 1),
        event(INPUT_EV_ABS, INPUT_ABS_X, raw_x),
        event(INPUT_EV_ABS, INPUT_ABS_Y, raw_y),
        event(INPUT_EV_SYN, INPUT_SYN_REPORT, 0),
    };
    board_state()->press_us = monotonic_us();
    feed(events, sizeof events / sizeof events[0]);
}

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

void release_later() {
    std::thread([] {
        std::this_thread::sleep_for(TAP_HOLD);
        touch_panel_release();
    }).detach();
}

bool run_tap(ScenarioContext &, const ScenarioCommand &command, std::string *error) {
    int x = 0, y = 0;
    if (!screen_args(command, &x, &y, error)) {
        return false;
    }
    int32_t raw_x = 0, raw_y = 0;
    touch_screen_to_raw(x, y, &raw_x, &raw_y);
    printf("ipslide-sim: %6u ms  tap %d %d (raw %d %d)\n", command.at_ms, x, y, raw_x, raw_y);
    press_raw(raw_x, raw_y);
    release_later();
    return true;
}

bool run_tap_raw(ScenarioContext &, const ScenarioCommand &command, std::string *error) {
    long raw_x = 0, raw_y = 0;
    constexpr long LO = std::numeric_limits<int32_t>::min();
    constexpr long HI = std::numeric_limits<int32_t>::max();
    if (!parse_int_arg(command.args[0], LO, HI, &raw_x) ||
        !parse_int_arg(command.args[1], LO, HI, &raw_y)) {
        *error = "raw panel values are 32-bit integers";
        return false;
    }
    printf("ipslide-sim: %6u ms  tap-raw %ld %ld\n", command.at_ms, raw_x, raw_y);
    press_raw(static_cast<int32_t>(raw_x), static_cast<int32_t>(raw_y));
    release_later();
    return true;
}

bool run_press(ScenarioContext &, const ScenarioCommand &command, std::string *error) {
    int x = 0, y = 0;
    if (!screen_args(command, &x, &y, error)) {
        return false;
    }
    printf("ipslide-sim: %6u ms  press %d %d\n", command.at_ms, x, y);
    touch_panel_press(x, y);
    return true;
}

bool run_release(ScenarioContext &, const ScenarioCommand &command, std::string *) {
    printf("ipslide-sim: %6u ms  release\n", command.at_ms);
    touch_panel_release();
    return true;
}

const CommandRegistrar tap({"tap", 2, 2, "tap X Y   (screen pixel; press, release 50 ms later)",
                            run_tap});
const CommandRegistrar tap_raw({"tap-raw", 2, 2, "tap-raw RX RY   (raw panel values)",
                                run_tap_raw});
const CommandRegistrar press({"press", 2, 2, "press X Y   (screen pixel; pen stays down)",
                              run_press});
const CommandRegistrar release({"release", 0, 0, "release   (lifts the pen)", run_release});

} // namespace

void touch_panel_init(const SimOptions &) {}

// The reader asks for the first input event device; it gets a FIFO the
// simulator can feed. A wrong request fails as the kernel would refuse it.
int touch_panel_mknod(const char *path, mode_t mode, dev_t dev) {
    if (strcmp(path, "/tmp/touch") != 0 || mode != (S_IFCHR | 0400) || dev != makedev(13, 64)) {
        errno = EINVAL;
        return -1;
    }
    // The reader goes with the application: a killed simulator leaves it no
    // writer to wait for.
    pid_t app = board_state()->app_pid;
    if (app > 0 && getpid() != app) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
    }
    // Owner read-write, so the simulator (the same user) can open it for writing.
    return mkfifo(path, 0600);
}

void touch_panel_press(int screen_x, int screen_y) {
    int32_t raw_x = 0, raw_y = 0;
    touch_screen_to_raw(screen_x, screen_y, &raw_x, &raw_y);
    press_raw(raw_x, raw_y);
}

void touch_panel_release() {
    const InputEventRecord events[] = {
        event(INPUT_EV_KEY, INPUT_BTN_TOUCH, 0),
        event(INPUT_EV_SYN, INPUT_SYN_REPORT, 0),
    };
    feed(events, sizeof events / sizeof events[0]);
}
