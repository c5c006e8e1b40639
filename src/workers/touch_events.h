// The touch reader's handling of the panel's event stream: it follows the
// absolute X and Y readings and turns each pen-down into one raw pair on the
// touch pipe. Kept apart from the process set-up so real pipes can feed it.
#pragma once

#include <cstdint>

// The most recent ABS_X and ABS_Y values; never reset between touches.
struct TouchReaderState {
    int32_t last_x = 0;
    int32_t last_y = 0;
};

// The pause after a pen-down that lets the contact's coordinates arrive.
constexpr unsigned TOUCH_SETTLE_US = 10000;

// Reads one 16-byte event from device_fd. On a pen-down it waits, drains what
// is queued and writes last_x then last_y (4 bytes each) to pipe_fd, returning
// 1; otherwise it only follows the coordinates and returns 0. Short reads or
// writes and a failed select abort: the design treats them as impossible.
int touch_reader_step(TouchReaderState *state, int device_fd, int pipe_fd);
