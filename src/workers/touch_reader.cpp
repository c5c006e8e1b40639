#include "workers/touch_reader.h"

#include "platform/platform.h"
#include "workers/touch_calibration.h"
#include "workers/touch_events.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

int touch_fds[2] = {-1, -1};
TouchRaw last_raw;
TouchReaderState reader_state;

// The first input event device; the node is the reader's own, readable by its owner.
constexpr mode_t TOUCH_NODE_MODE = S_IFCHR | 0400;
constexpr unsigned TOUCH_MAJOR = 13;
constexpr unsigned TOUCH_MINOR = 64;

} // namespace

pid_t touch_worker_start() {
    if (platform.pipe(touch_fds) == -1) {
        abort();
    }
    pid_t pid = platform.fork();
    if (pid == -1) {
        abort();
    }
    if (pid == 0) {
        touch_reader_run(touch_fds[1]);
    }
    return pid;
}

int touch_pipe_fd() {
    return touch_fds[0];
}

// The reader writes X and Y separately; if only X is there yet, the second read
// waits the moment until Y follows.
int touch_read_raw() {
    if (platform.read(touch_fds[0], &last_raw.x, 4) != 4 ||
        platform.read(touch_fds[0], &last_raw.y, 4) != 4) {
        abort();
    }
    return 1;
}

void touch_calibrate(int32_t point[2]) {
    touch_calibrate_raw(last_raw.x, last_raw.y, point);
}

void touch_reader_run(int pipe_fd) {
    if (platform.mknod("/tmp/touch", TOUCH_NODE_MODE, makedev(TOUCH_MAJOR, TOUCH_MINOR)) != 0) {
        perror("mknod");
        exit(1);
    }
    int device = platform.open("/tmp/touch", O_RDONLY, 0);
    if (device == -1) {
        perror("open touch");
        exit(1);
    }
    for (;;) {
        touch_reader_step(&reader_state, device, pipe_fd);
    }
}
