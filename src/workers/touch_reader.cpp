#include "workers/touch_reader.h"

#include "platform/platform.h"

#include <cstdlib>

namespace {
int touch_fds[2] = {-1, -1};
TouchRaw last_raw;
} // namespace

// TEMPORARY: creates the pipe but forks no reader until the touch reader lands.
pid_t touch_worker_start() {
    if (platform.pipe(touch_fds) == -1) {
        abort();
    }
    return 0;
}

int touch_pipe_fd() {
    return touch_fds[0];
}

int touch_read_raw() {
    if (platform.read(touch_fds[0], &last_raw.x, 4) != 4 ||
        platform.read(touch_fds[0], &last_raw.y, 4) != 4) {
        abort();
    }
    return 1;
}

// TEMPORARY: identity mapping until the panel calibration lands.
void touch_calibrate(int32_t point[2]) {
    point[0] = last_raw.x;
    point[1] = last_raw.y;
}
