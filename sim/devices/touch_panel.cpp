// The touch panel: the reader's node "/tmp/touch" becomes a FIFO, and the
// simulator writes real 16-byte input event records into it, at raw panel
// values that the application's own calibration maps back to the touched pixel.
#include "devices/touch_panel.h"
#include "devices/board_clock.h"
#include "devices/board_state.h"
#include "model/touch.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

std::mutex feed_lock;
int feed_fd = -1; // the simulator's end of the FIFO, opened once the reader made it

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

} // namespace

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
    touch_panel_press_raw(raw_x, raw_y);
}

void touch_panel_press_raw(int32_t raw_x, int32_t raw_y) {
    InputEventRecord events[TOUCH_MAX_EVENTS];
    int count = touch_events(true, raw_x, raw_y, monotonic_us(), events);
    board_state()->press_us = monotonic_us();
    feed(events, static_cast<size_t>(count));
}

void touch_panel_release() {
    InputEventRecord events[TOUCH_MAX_EVENTS];
    feed(events, static_cast<size_t>(touch_events(false, 0, 0, monotonic_us(), events)));
}

// FIONREAD on the simulator's own end: what the reader has still to read. The
// descriptor stays open once opened, so the reader never sees the last writer go.
int touch_panel_queued_bytes() {
    std::lock_guard<std::mutex> hold(feed_lock);
    int queued = -1;
    if (!feed_open() || ioctl(feed_fd, FIONREAD, &queued) != 0) {
        return -1;
    }
    return queued;
}
