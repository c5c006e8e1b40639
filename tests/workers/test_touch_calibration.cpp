// Raw panel pairs to Canvas coordinates: the panel's corners, truncation toward
// zero before the clamp, and raw values at the 32-bit extremes, where arithmetic
// done in 32 bits would overflow (this program runs under UBSan, which aborts on
// signed overflow and on out-of-range float-to-int conversion).
#include "workers/touch_calibration.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

namespace {

struct Case {
    int32_t raw_x, raw_y;
    int32_t x, y;
};

void expect_calibrates(const Case &c) {
    int32_t point[2] = {-7, -7};
    touch_calibrate_raw(c.raw_x, c.raw_y, point);
    EXPECT_EQ(point[0], c.x) << "raw (" << c.raw_x << ", " << c.raw_y << ")";
    EXPECT_EQ(point[1], c.y) << "raw (" << c.raw_x << ", " << c.raw_y << ")";
}

TEST(TouchCalibration, KnownPairs) {
    const Case cases[] = {
        {500, 400, 156, 166}, // (400-910)*239/-780 = 156.27; (500-950)*319/-860 = 166.9
        {500, 500, 125, 166}, {950, 910, 0, 0}, // the panel's top-left reading
        {90, 130, 239, 319},                    // its bottom-right reading
        {0, 0, 239, 319},    // a pen-down before any coordinate: bottom-right corner
        {950, 911, 0, 0},    // x = -0.306 truncates to 0, not -1
        {951, 910, 0, 0},    // y = -0.37 likewise
        {953, 914, 0, 0},    // -1.2 and -1.1: truncated to -1, then clamped
        {89, 129, 239, 319}, // just past the far readings: clamped
        {91, 131, 238, 318}, // 238.69 and 318.63 truncate down
    };
    for (const Case &c : cases) {
        expect_calibrates(c);
    }
}

TEST(TouchCalibration, ThirtyTwoBitExtremesClampWithoutOverflow) {
    constexpr int32_t LO = std::numeric_limits<int32_t>::min();
    constexpr int32_t HI = std::numeric_limits<int32_t>::max();
    const Case cases[] = {
        {LO, LO, 239, 319},
        {HI, HI, 0, 0},
        {LO, HI, 0, 319},
        {HI, LO, 239, 0},
    };
    for (const Case &c : cases) {
        expect_calibrates(c);
    }
}

} // namespace
