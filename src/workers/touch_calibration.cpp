#include "workers/touch_calibration.h"

namespace {

// The raw value enters the double before the subtraction, so no 32-bit
// arithmetic can overflow near the extremes. The clamp is done on the double,
// before the conversion, so the conversion is defined for any scaled value;
// inside the range this equals truncate-then-clamp, because truncation toward
// zero maps (-1, 0) to 0 and never crosses 239 or 319.
int32_t scale_axis(int32_t raw, double raw_at_zero, double span, double raw_span, double max) {
    double v = (raw - raw_at_zero) * span / raw_span;
    if (v < 0.0) {
        v = 0.0;
    } else if (v > max) {
        v = max;
    }
    return static_cast<int32_t>(v);
}

} // namespace

// The panel's axes are swapped against the Canvas and both run backwards:
// raw Y 910 -> x 0, raw Y 130 -> x 239; raw X 950 -> y 0, raw X 90 -> y 319.
void touch_calibrate_raw(int32_t raw_x, int32_t raw_y, int32_t point[2]) {
    point[0] = scale_axis(raw_y, 910.0, 239.0, -780.0, TOUCH_X_MAX);
    point[1] = scale_axis(raw_x, 950.0, 319.0, -860.0, TOUCH_Y_MAX);
}
