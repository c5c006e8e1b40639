// The touch reader: a child process that follows the panel's input events and
// writes one raw coordinate pair per pen-down into the touch pipe, and the main
// process's side of that pipe.
#pragma once

#include <cstdint>
#include <sys/types.h>

// The panel is the first input event device, char 13:64; the reader makes its
// node itself.
constexpr unsigned TOUCH_MAJOR = 13;
constexpr unsigned TOUCH_MINOR = 64;
constexpr char TOUCH_NODE[] = "/tmp/touch";

// One raw sample on the touch pipe: panel X, then panel Y.
struct TouchRaw {
    int32_t x;
    int32_t y;
};

// Creates the touch pipe and forks the reader; returns its process id in the
// main process. A failed pipe or fork aborts.
pid_t touch_worker_start();

int touch_pipe_fd();

// Reads one TouchRaw (two 4-byte reads); a short read aborts. Returns 1.
int touch_read_raw();

// The last raw sample in Canvas coordinates: point[0] = x (0..239), point[1] = y.
void touch_calibrate(int32_t point[2]);

// The reader process's body: creates "/tmp/touch" (or keeps the node an earlier
// start in this boot made, when it is character device 13:64), opens it and
// reports every pen-down into pipe_fd. Never returns; "mknod" and "open touch"
// failures exit 1.
[[noreturn]] void touch_reader_run(int pipe_fd);
