// Any byte stream as the touch panel: records of one control byte and a 16-byte
// input event. The control byte's low bit is the drain's answer to "is more
// queued?" when the reader asks during that event. The reader's pairs must be
// exactly those of a pen-down's coordinates after its drain.
#include "platform/platform.h"
#include "workers/input_event.h"
#include "workers/touch_events.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr size_t RECORD = 1 + sizeof(InputEventRecord);
constexpr int DEVICE_FD = 10;
constexpr int PIPE_FD = 11;

const uint8_t *stream;
size_t records, next;
std::vector<int32_t> written;

InputEventRecord event_at(size_t i) {
    InputEventRecord e;
    memcpy(&e, stream + i * RECORD + 1, sizeof e);
    return e;
}

ssize_t device_read(int fd, void *buf, size_t n) {
    if (fd != DEVICE_FD || n != sizeof(InputEventRecord) || next >= records) {
        __builtin_trap(); // the reader reads only whole events, and only queued ones
    }
    InputEventRecord e = event_at(next++);
    memcpy(buf, &e, sizeof e);
    return static_cast<ssize_t>(n);
}

// More is queued when there is a next record and its control byte says so.
int device_select(int nfds, fd_set *readable, fd_set *, fd_set *, struct timeval *timeout) {
    if (nfds != DEVICE_FD + 1 || timeout == nullptr || timeout->tv_sec != 0 ||
        timeout->tv_usec != 0) {
        __builtin_trap();
    }
    bool queued = next < records && (stream[next * RECORD] & 1) != 0;
    if (!queued) {
        FD_ZERO(readable);
    }
    return queued ? 1 : 0;
}

ssize_t pipe_write(int fd, const void *buf, size_t n) {
    if (fd != PIPE_FD || n != 4) {
        __builtin_trap();
    }
    int32_t value;
    memcpy(&value, buf, 4);
    written.push_back(value);
    return 4;
}

int no_sleep(useconds_t) {
    return 0;
}

bool is_pen_down(const InputEventRecord &e) {
    return e.type == INPUT_EV_KEY && e.code == INPUT_BTN_TOUCH && e.value != 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    platform.read = device_read;
    platform.select = device_select;
    platform.write = pipe_write;
    platform.usleep = no_sleep;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    stream = data;
    records = size / RECORD;
    next = 0;
    written.clear();
    TouchReaderState state;
    std::vector<int32_t> expected;
    int32_t x = 0, y = 0;
    while (next < records) {
        size_t first = next;
        int reported = touch_reader_step(&state, DEVICE_FD, PIPE_FD);
        // The same events, followed by hand: the step's first event, then what it drained.
        bool down = is_pen_down(event_at(first));
        for (size_t i = first; i < next; ++i) {
            InputEventRecord e = event_at(i);
            if (e.type == INPUT_EV_ABS && e.code == INPUT_ABS_X) {
                x = e.value;
            } else if (e.type == INPUT_EV_ABS && e.code == INPUT_ABS_Y) {
                y = e.value;
            }
        }
        if (reported != (down ? 1 : 0) || (!down && next != first + 1)) {
            __builtin_trap();
        }
        if (down) {
            expected.push_back(x);
            expected.push_back(y);
        }
        if (state.last_x != x || state.last_y != y) {
            __builtin_trap();
        }
    }
    if (written != expected) {
        __builtin_trap();
    }
    return 0;
}
