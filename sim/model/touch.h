// The touch panel: the input event records a pen-down and a lift send, and the
// raw panel values of a screen pixel (the inverse of the application's touch
// calibration), so every board presses the pixel a scenario names.
#pragma once

#include "workers/input_event.h"

#include <cstdint>

// The span of raw values searched for a pixel: the panel's ADC range.
constexpr int32_t TOUCH_RAW_MIN = 0;
constexpr int32_t TOUCH_RAW_MAX = 1023;

// A pen-down: BTN_TOUCH 1, the raw coordinates and the report, stamped now_us.
constexpr int TOUCH_PRESS_EVENTS = 4;
void touch_press_events(int32_t raw_x, int32_t raw_y, uint64_t now_us,
                        InputEventRecord out[TOUCH_PRESS_EVENTS]);
// The pen lifted: BTN_TOUCH 0 and the report.
constexpr int TOUCH_RELEASE_EVENTS = 2;
void touch_release_events(uint64_t now_us, InputEventRecord out[TOUCH_RELEASE_EVENTS]);

// Screen (x, y) as a person sees the landscape LCD, clamped to the screen.
void touch_screen_to_raw(int screen_x, int screen_y, int32_t *raw_x, int32_t *raw_y);
