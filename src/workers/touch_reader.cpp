#include "workers/touch_reader.h"

#include "platform/platform.h"
#include "workers/net_worker.h"
#include "workers/touch_calibration.h"
#include "workers/touch_events.h"
#include "workers/worker_tie.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

int touch_fds[2] = {-1, -1};
TouchRaw last_raw;
TouchReaderState reader_state;

// The node is the reader's own, readable by its owner.
constexpr mode_t TOUCH_NODE_MODE = S_IFCHR | 0400;

// An earlier start in this boot made the node already: the same device is used
// again. Anything else by that name is removed so the node can be made as on a
// fresh boot; should the removal fail, mknod reports what is in the way.
bool touch_node_present() {
    struct stat info;
    if (platform.stat(TOUCH_NODE, &info) != 0) {
        return false;
    }
    if (S_ISCHR(info.st_mode) && info.st_rdev == makedev(TOUCH_MAJOR, TOUCH_MINOR)) {
        return true;
    }
    platform.unlink(TOUCH_NODE);
    return false;
}

} // namespace

pid_t touch_worker_start() {
    if (platform.pipe(touch_fds) == -1) {
        abort();
    }
    pid_t parent = platform.getpid();
    pid_t pid = platform.fork();
    if (pid == -1) {
        abort();
    }
    if (pid == 0) {
        worker_tie_to_parent(parent);
        address_pipe_release();
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
    if (!touch_node_present() &&
        platform.mknod(TOUCH_NODE, TOUCH_NODE_MODE, makedev(TOUCH_MAJOR, TOUCH_MINOR)) != 0) {
        perror("mknod");
        exit(1);
    }
    int device = platform.open(TOUCH_NODE, O_RDONLY, 0);
    if (device == -1) {
        perror("open touch");
        exit(1);
    }
    for (;;) {
        touch_reader_step(&reader_state, device, pipe_fd);
    }
}
