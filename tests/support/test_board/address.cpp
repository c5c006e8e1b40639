#include "support/test_board.h"

#include "platform/platform.h"
#include "support/platform_guard.h"
#include "workers/net_worker.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace test_board {

namespace {

// The worker's write end, and our own copy of it: the process that starts the
// worker may close its copy, as the main process has no use for it.
int write_end = -1;
int our_write_end = -1;
// The worker's opens of /dev/null are real and closed again afterwards.
int null_fds[8];
int null_count;

int recording_pipe(int fds[2]) {
    int result = ::pipe(fds);
    write_end = fds[1];
    our_write_end = result == 0 ? ::dup(fds[1]) : -1;
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
    PlatformGuard guard;
    platform.pipe = recording_pipe;
    platform.fork = parent_side_fork;
    platform.close = keep_standard_close;
    platform.open = recording_open;
    write_end = -1;
    our_write_end = -1;
    null_count = 0;
    net_worker_start();
    while (null_count > 0) {
        ::close(null_fds[--null_count]);
    }
}

bool same_file(int a, int b) {
    struct stat sa;
    struct stat sb;
    return fstat(a, &sa) == 0 && fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// The reader sees the end of the pipe only when every write end is closed: the
// worker's, where the caller still holds it, and ours.
void close_write_ends() {
    if (same_file(write_end, our_write_end)) {
        ::close(write_end);
    }
    ::close(our_write_end);
}

} // namespace

bool deliver_address(const char *text, size_t length) {
    start_worker_parent_side();
    if (our_write_end < 0) {
        fprintf(stderr, "test board: the network worker made no address pipe\n");
        return false;
    }
    if (length == 0) {
        close_write_ends();
    } else if (::write(our_write_end, text, length) != static_cast<ssize_t>(length)) {
        perror("test board: address pipe");
        return false;
    } else {
        ::close(our_write_end);
    }
    if (address_receive() != 1) {
        fprintf(stderr, "test board: the address was not received\n");
        return false;
    }
    return true;
}

} // namespace test_board
