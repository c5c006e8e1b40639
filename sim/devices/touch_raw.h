// The raw panel values of a screen pixel: the inverse of the application's touch
// calibration, which the scenarios' taps on both boards go through, so both press
// the pixel a scenario names; the board VM's panel takes the raw range.
#pragma once

#include <cstdint>

// The span of raw values searched for a pixel: the panel's ADC range.
constexpr int32_t TOUCH_RAW_MIN = 0;
constexpr int32_t TOUCH_RAW_MAX = 1023;

// Screen (x, y) as a person sees the landscape LCD, clamped to 320x240.
void touch_screen_to_raw(int screen_x, int screen_y, int32_t *raw_x, int32_t *raw_y);
