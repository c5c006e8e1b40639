#include "host_channel.h"

#include "line_reader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

FILE *host = nullptr;
const char ANSWERED[] = "";

namespace {

// A virtio console's port is added a moment after its driver has loaded.
constexpr int CHANNEL_TRIES = 100;
constexpr useconds_t CHANNEL_PAUSE_US = 50000;

int channel_fd = -1;
LineReader commands;
const char *(*run_command)(const char *line) = nullptr;

bool not_there_yet(int error) {
    return error == ENODEV || error == ENXIO || error == ENOENT;
}

void reply(const char *why) {
    if (why == nullptr) {
        fputs("ok\n", host);
    } else if (why != ANSWERED) {
        fprintf(host, "error: %s\n", why);
    }
    fflush(host);
}

void take(char *line) {
    reply(run_command(line));
}

void refuse_long_line() {
    reply("line too long");
}

} // namespace

bool host_channel_open(const char *path) {
    for (int tries = 1; channel_fd < 0; tries++) {
        channel_fd = open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (channel_fd >= 0) {
            break;
        }
        if (!not_there_yet(errno) || tries == CHANNEL_TRIES) {
            fprintf(stderr, "board-vm-agent: open %s: %s\n", path, strerror(errno));
            return false;
        }
        usleep(CHANNEL_PAUSE_US);
    }
    termios mode{};
    if (tcgetattr(channel_fd, &mode) == 0) {
        cfmakeraw(&mode);
        tcsetattr(channel_fd, TCSANOW, &mode);
    }
    // Commands are read from the descriptor itself, so that poll sees every byte
    // that has not been handled; replies go through stdio.
    host = fdopen(fcntl(channel_fd, F_DUPFD_CLOEXEC, 0), "w");
    return host != nullptr;
}

int host_channel_fd() {
    return channel_fd;
}

bool host_channel_serve(const char *(*answer)(const char *line)) {
    run_command = answer;
    return read_lines(channel_fd, &commands, take, refuse_long_line) >= 0;
}
