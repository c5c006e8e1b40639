#include "model/touch.h"

#include "display/framebuffer.h"
#include "workers/touch_calibration.h"

#include <algorithm>

namespace {

// For every Canvas x and y, the middle of the run of raw values that calibrate
// onto it, found with the application's calibration itself so the round trip is
// exact. Built on first use, in one pass over the panel's range.
struct RawTables {
    int32_t for_x[TOUCH_X_MAX + 1]; // raw Y
    int32_t for_y[TOUCH_Y_MAX + 1]; // raw X
};

const RawTables &raw_tables() {
    static const RawTables tables = [] {
        int32_t first[2][TOUCH_Y_MAX + 1], last[2][TOUCH_Y_MAX + 1];
        for (int axis = 0; axis < 2; ++axis) {
            for (int i = 0; i <= TOUCH_Y_MAX; ++i) {
                first[axis][i] = TOUCH_RAW_MAX + 1;
                last[axis][i] = TOUCH_RAW_MIN - 1;
            }
        }
        for (int32_t raw = TOUCH_RAW_MIN; raw <= TOUCH_RAW_MAX; ++raw) {
            int32_t point[2];
            touch_calibrate_raw(raw, raw, point);
            for (int axis = 0; axis < 2; ++axis) {
                first[axis][point[axis]] = std::min(first[axis][point[axis]], raw);
                last[axis][point[axis]] = std::max(last[axis][point[axis]], raw);
            }
        }
        RawTables t;
        for (int x = 0; x <= TOUCH_X_MAX; ++x) {
            t.for_x[x] = first[0][x] + (last[0][x] - first[0][x]) / 2;
        }
        for (int y = 0; y <= TOUCH_Y_MAX; ++y) {
            t.for_y[y] = first[1][y] + (last[1][y] - first[1][y]) / 2;
        }
        return t;
    }();
    return tables;
}

} // namespace

int touch_events(bool down, int32_t raw_x, int32_t raw_y, uint64_t now_us,
                 InputEventRecord out[TOUCH_MAX_EVENTS]) {
    auto stamped = [now_us](uint16_t type, uint16_t code, int32_t value) {
        return InputEventRecord{static_cast<uint32_t>(now_us / 1000000),
                                static_cast<uint32_t>(now_us % 1000000), type, code, value};
    };
    int n = 0;
    out[n++] = stamped(INPUT_EV_KEY, INPUT_BTN_TOUCH, down ? 1 : 0);
    if (down) {
        out[n++] = stamped(INPUT_EV_ABS, INPUT_ABS_X, raw_x);
        out[n++] = stamped(INPUT_EV_ABS, INPUT_ABS_Y, raw_y);
    }
    out[n++] = stamped(INPUT_EV_SYN, INPUT_SYN_REPORT, 0);
    return n;
}

// The LCD shows the portrait Canvas turned: screen (sx, sy) is Canvas (239 - sy, sx).
// Canvas x comes from raw Y and Canvas y from raw X.
void touch_screen_to_raw(int screen_x, int screen_y, int32_t *raw_x, int32_t *raw_y) {
    screen_x = std::clamp(screen_x, 0, SCREEN_W - 1);
    screen_y = std::clamp(screen_y, 0, SCREEN_H - 1);
    *raw_y = raw_tables().for_x[TOUCH_X_MAX - screen_y];
    *raw_x = raw_tables().for_y[screen_x];
}
