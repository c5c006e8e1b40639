// The panel's calibration: a raw panel pair to Canvas coordinates. Pure, so the
// simulated panel can search the raw values that land on a given pixel.
#pragma once

#include <cstdint>

constexpr int32_t TOUCH_X_MAX = 239;
constexpr int32_t TOUCH_Y_MAX = 319;

// point[0] = Canvas x (0..239) from raw Y, point[1] = Canvas y (0..319) from raw X.
void touch_calibrate_raw(int32_t raw_x, int32_t raw_y, int32_t point[2]);
