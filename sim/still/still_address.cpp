#include "still/still_board.h"

#include "platform/platform.h"
#include "workers/net_worker.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace still {

namespace {

// The main process keeps the write end until it has read the address.
int write_end = -1;
// The worker's opens of /dev/null are real and closed again afterwards.
int null_fds[8];
int null_count;

int recording_pipe(int fds[2]) {
    int result = ::pipe(fds);
    write_end = result == 0 ? fds[1] : -1;
    return result;
}

// "The parent": the worker itself is not needed to carry an address.
pid_t parent_side_fork() {
    return 4242;
}

// The caller's own standard descriptors stay open.
int keep_standard_close(int fd) {
    return fd <= 2 ? 0 : ::close(fd);
}

int recording_open(const char *path, int flags, mode_t mode) {
    int fd = ::open(path, flags, mode);
    if (fd >= 0 && null_count < 8) {
        null_fds[null_count++] = fd;
    }
    return fd;
}

void start_worker_parent_side() {
    Platform saved = platform;
    platform.pipe = recording_pipe;
    platform.fork = parent_side_fork;
    platform.close = keep_standard_close;
    platform.open = recording_open;
    write_end = -1;
    null_count = 0;
    net_worker_start();
    platform = saved;
    while (null_count > 0) {
        ::close(null_fds[--null_count]);
    }
}

} // namespace

bool deliver_address(const char *text, size_t length) {
    start_worker_parent_side();
    if (write_end < 0) {
        fprintf(stderr, "still board: the network worker made no address pipe\n");
        return false;
    }
    // Nothing to send is the client ending: the reader then sees the pipe's end.
    if (length == 0) {
        ::close(write_end);
    } else if (::write(write_end, text, length) != static_cast<ssize_t>(length)) {
        perror("still board: address pipe");
        return false;
    }
    if (address_receive() != 1) {
        fprintf(stderr, "still board: the address was not received\n");
        return false;
    }
    return true;
}

} // namespace still
