#include "workers/net_worker.h"

#include "font/text_metrics.h"
#include "platform/platform.h"
#include "workers/net_bringup.h"
#include "workers/worker_tie.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>

namespace {

int address_fds[2] = {-1, -1};
char address[16];

// Descriptors 0..2 are closed first, so the three opens take them in order and
// the pipe then gets 3 and 4; the worker hands the write end on as descriptor 9.
void standard_descriptors_to_null() {
    platform.close(0);
    platform.close(1);
    platform.close(2);
    platform.open("/dev/null", O_RDONLY, 0);
    platform.open("/dev/null", O_WRONLY, 0);
    platform.open("/dev/null", O_WRONLY, 0);
}

// The client gets the write end alone, on a descriptor it leaves open. The write
// end is non-blocking: a pipe filled before the main process reads it (start-up
// held up waiting for the stick while leases come and go) makes the script's write
// fail instead of holding the client up.
void hand_over_write_end() {
    platform.close(address_fds[0]);
    if (platform.dup2(address_fds[1], ADDRESS_HANDOVER_FD) == -1) {
        perror("dup2");
        exit(1);
    }
    platform.close(address_fds[1]);
    if (platform.fcntl(ADDRESS_HANDOVER_FD, F_SETFL, O_NONBLOCK) == -1) {
        perror("fcntl");
        exit(1);
    }
}

} // namespace

pid_t net_worker_start() {
    standard_descriptors_to_null();
    if (platform.pipe(address_fds) != 0) {
        perror("pipe");
        exit(1);
    }
    pid_t parent = platform.getpid();
    pid_t pid = platform.fork();
    if (pid == -1) {
        perror("fork");
        exit(1);
    }
    if (pid == 0) {
        worker_tie_to_parent(parent);
        hand_over_write_end();
        net_worker_run();
    }
    return pid;
}

void address_pipe_release() {
    if (address_fds[0] != -1) {
        platform.close(address_fds[0]);
        platform.close(address_fds[1]);
        address_fds[0] = address_fds[1] = -1;
    }
}

int address_pipe_fd() {
    return address_fds[0];
}

// One read and no clean-up of the text: the script writes the address once, and
// whatever it sends beyond 15 bytes, or later, is never looked at.
int address_receive() {
    if (address_fds[0] == -1) {
        return 0;
    }
    ssize_t n = platform.read(address_fds[0], address, sizeof address - 1);
    address[n > 0 ? n : 0] = '\0';
    platform.moment(MOMENT_ADDRESS_READ, address);
    platform.close(address_fds[0]);
    platform.close(address_fds[1]);
    address_fds[0] = -1;
    text_measure(address);
    return 1;
}

const char *address_text() {
    return address;
}
