// The input event record as the board's 32-bit kernel delivers it on the touch
// node. The host's struct input_event carries 64-bit time fields, so the layout
// is spelled out here rather than taken from <linux/input.h>.
#pragma once

#include <cstdint>

struct InputEventRecord {
    uint32_t sec;
    uint32_t usec;
    uint16_t type;
    uint16_t code;
    int32_t value;
};
static_assert(sizeof(InputEventRecord) == 16, "the board's input event record is 16 bytes");

// The (type, code) pairs the touch reader looks at, and the report marker.
constexpr uint16_t INPUT_EV_SYN = 0;
constexpr uint16_t INPUT_EV_KEY = 1;
constexpr uint16_t INPUT_EV_ABS = 3;
constexpr uint16_t INPUT_SYN_REPORT = 0;
constexpr uint16_t INPUT_ABS_X = 0;
constexpr uint16_t INPUT_ABS_Y = 1;
constexpr uint16_t INPUT_BTN_TOUCH = 330;
