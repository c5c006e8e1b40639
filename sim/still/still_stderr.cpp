#include "still/still_board.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace still {

namespace {

int saved = -1;

} // namespace

void stderr_off() {
    fflush(stderr);
    saved = dup(2);
    int null_fd = ::open("/dev/null", O_WRONLY);
    dup2(null_fd, 2);
    ::close(null_fd);
}

void stderr_on() {
    fflush(stderr);
    dup2(saved, 2);
    ::close(saved);
    saved = -1;
}

} // namespace still
