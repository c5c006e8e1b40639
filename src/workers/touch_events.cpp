#include "workers/touch_events.h"

#include "platform/platform.h"
#include "workers/input_event.h"

#include <cstdlib>

namespace {

void read_event(int fd, InputEventRecord *event) {
    if (platform.read(fd, event, sizeof *event) != static_cast<ssize_t>(sizeof *event)) {
        abort();
    }
}

bool is_pen_down(const InputEventRecord &event) {
    return event.type == INPUT_EV_KEY && event.code == INPUT_BTN_TOUCH && event.value != 0;
}

void follow_coordinates(TouchReaderState *state, const InputEventRecord &event) {
    if (event.type != INPUT_EV_ABS) {
        return;
    }
    if (event.code == INPUT_ABS_X) {
        state->last_x = event.value;
    } else if (event.code == INPUT_ABS_Y) {
        state->last_y = event.value;
    }
}

// select() may rewrite its timeout, so a fresh zero one is built for every call.
bool event_queued(int fd) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(fd, &readable);
    struct timeval zero = {0, 0};
    int ready = platform.select(fd + 1, &readable, nullptr, nullptr, &zero);
    if (ready == -1) {
        abort();
    }
    return ready > 0 && FD_ISSET(fd, &readable);
}

// Everything queued after the pause belongs to this contact: coordinates are
// followed, anything else (a bouncing BTN_TOUCH included) is dropped.
void drain_queued(TouchReaderState *state, int fd) {
    InputEventRecord event;
    while (event_queued(fd)) {
        read_event(fd, &event);
        follow_coordinates(state, event);
    }
}

void write_value(int fd, int32_t value) {
    if (platform.write(fd, &value, sizeof value) != static_cast<ssize_t>(sizeof value)) {
        abort();
    }
}

} // namespace

int touch_reader_step(TouchReaderState *state, int device_fd, int pipe_fd) {
    InputEventRecord event;
    read_event(device_fd, &event);
    if (!is_pen_down(event)) {
        follow_coordinates(state, event);
        return 0;
    }
    platform.usleep(TOUCH_SETTLE_US);
    drain_queued(state, device_fd);
    write_value(pipe_fd, state->last_x);
    write_value(pipe_fd, state->last_y);
    return 1;
}
