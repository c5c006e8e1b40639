// A scenario command that waits until the touch reader has taken every event the
// panel sent. The reader folds what arrives while it settles after a pen-down
// into that touch, a second pen-down included; on a loaded machine a reader held
// up for a while would fold a quick next tap into the last one. Scripts that must
// not lose a tap (a soak's scripted moves) wait for the panel's queue to empty
// first.
#include "app_process.h"
#include "board_state.h"
#include "scenario.h"

#include <fcntl.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The FIFO stays open once opened: a reader that saw the last writer go would
// read the end of its device.
int probe_fd = -1;

// Bytes still queued in the panel's FIFO; -1 before the reader made it.
int queued_bytes() {
    if (probe_fd < 0) {
        std::string path = std::string(board_state()->boot_dir) + "/touch";
        probe_fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    }
    int queued = -1;
    if (probe_fd < 0 || ioctl(probe_fd, FIONREAD, &queued) != 0) {
        return -1;
    }
    return queued;
}

bool run_wait_touch_read(ScenarioContext &context, const ScenarioCommand &command,
                         std::string *error) {
    long timeout_ms = 15000;
    if (!command.args.empty() && !parse_int_arg(command.args[0], 1, 600000, &timeout_ms)) {
        *error = "\"" + command.args[0] + "\" is not a timeout in milliseconds";
        return false;
    }
    uint64_t begin = monotonic_us();
    while (queued_bytes() != 0) {
        int status = app_poll(context.app);
        if (status != -1) {
            context.app_status = status;
            *error = "wait-touch-read: the application " + describe_wait_status(status);
            return false;
        }
        if (monotonic_us() - begin > static_cast<uint64_t>(timeout_ms) * 1000) {
            *error =
                "wait-touch-read: events still queued after " + std::to_string(timeout_ms) + " ms";
            return false;
        }
        usleep(1000);
    }
    context.shift_us += monotonic_us() - begin;
    return true;
}

const CommandRegistrar wait_touch_read(
    {"wait-touch-read", 0, 1,
     "wait-touch-read [TIMEOUT_MS]   (until the touch reader has read every event sent)",
     run_wait_touch_read});

} // namespace
