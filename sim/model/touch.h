// The touch panel: the input event records a pen-down and a lift send, and the
// raw panel values of a screen pixel (the inverse of the application's touch
// calibration), so every board presses the pixel a scenario names.
#pragma once

#include "workers/input_event.h"

#include <cstdint>

// The span of raw values searched for a pixel: the panel's ADC range.
constexpr int32_t TOUCH_RAW_MIN = 0;
constexpr int32_t TOUCH_RAW_MAX = 1023;

// The records a pen-down (BTN_TOUCH 1, the raw coordinates, the report) or a lift
// (BTN_TOUCH 0, the report) sends, stamped now_us; returns how many.
constexpr int TOUCH_MAX_EVENTS = 4;
int touch_events(bool down, int32_t raw_x, int32_t raw_y, uint64_t now_us,
                 InputEventRecord out[TOUCH_MAX_EVENTS]);

// Screen (x, y) as a person sees the landscape LCD, clamped to the screen.
void touch_screen_to_raw(int screen_x, int screen_y, int32_t *raw_x, int32_t *raw_y);
