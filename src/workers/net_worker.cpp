#include "workers/net_worker.h"

#include "font/text_metrics.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>

namespace {
int address_fds[2] = {-1, -1};
char address[16];
} // namespace

// TEMPORARY: creates the address pipe but forks no worker until the network worker lands.
pid_t net_worker_start() {
    if (platform.pipe(address_fds) != 0) {
        perror("pipe");
        exit(1);
    }
    return 0;
}

int address_pipe_fd() {
    return address_fds[0];
}

int address_receive() {
    if (address_fds[0] == -1) {
        return 0;
    }
    ssize_t n = platform.read(address_fds[0], address, 15);
    address[n > 0 ? n : 0] = '\0';
    platform.close(address_fds[0]);
    platform.close(address_fds[1]);
    address_fds[0] = -1;
    text_measure(address);
    return 1;
}

const char *address_text() {
    return address;
}
