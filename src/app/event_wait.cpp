#include "app/event_wait.h"

#include "platform/platform.h"
#include "workers/net_worker.h"
#include "workers/touch_reader.h"

#include <cstdio>
#include <cstdlib>

int wait_events(int limit_ms) {
    int touch_fd = touch_pipe_fd();
    int address_fd = address_pipe_fd();
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(touch_fd, &readable);
    int highest = touch_fd;
    if (address_fd != -1) {
        FD_SET(address_fd, &readable);
        if (address_fd > highest) {
            highest = address_fd;
        }
    }
    struct timeval limit = {limit_ms / 1000, limit_ms * 1000};
    struct timeval *timeout = limit_ms == -1 ? nullptr : &limit;
    platform.moment(timeout == nullptr ? MOMENT_WAIT_IDLE : MOMENT_WAIT_TIMED, nullptr);
    int ready = platform.select(highest + 1, &readable, nullptr, nullptr, timeout);
    platform.moment(MOMENT_WAIT_OVER, nullptr);
    if (ready == -1) {
        perror("select");
        exit(1);
    }
    int events = 0;
    // The address is read before the touch sample when both are ready.
    if (address_fd != -1 && FD_ISSET(address_fd, &readable) && address_receive()) {
        events |= EVENT_ADDRESS;
    }
    if (FD_ISSET(touch_fd, &readable) && touch_read_raw()) {
        events |= EVENT_TOUCH;
    }
    return events;
}

void frame_delay() {
    platform.moment(MOMENT_SLIDE_PAUSE, nullptr);
    platform.usleep(SLIDE_FRAME_PAUSE_US);
    platform.moment(MOMENT_SLIDE_PAUSE_OVER, nullptr);
}
