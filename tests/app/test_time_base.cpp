// The 32-bit millisecond clock and the per-scene elapsed times across the wrap.
#include "app/time_base.h"
#include "support/platform_guard.h"
#include "support/test_board.h"

#include <gtest/gtest.h>

namespace {

class TimeBase : public ::testing::Test {
  protected:
    void SetUp() override { test_board::clock_install(); }
    PlatformGuard guard;
};

TEST_F(TimeBase, MillisecondsAreSecondsTimesThousandPlusWholeMilliseconds) {
    test_board::hand_clock.now_ns = 12 * 1000000000LL + 345999999;
    EXPECT_EQ(now_ms(), 12345u);
}

TEST_F(TimeBase, ClockWrapsAtTwoToThe32) {
    test_board::clock_set_ms(4294967295LL);
    EXPECT_EQ(now_ms(), 4294967295u);
    test_board::clock_set_ms(4294967296LL + 704);
    EXPECT_EQ(now_ms(), 704u);
}

TEST_F(TimeBase, ElapsedTimesSurviveTheWrap) {
    test_board::clock_set_ms(4294967296LL - 10);
    time_base_init();
    test_board::clock_set_ms(4294967296LL + 5);
    EXPECT_EQ(scene_elapsed_ms(SCENE_ADDRESS), 15u);
    EXPECT_EQ(scene_elapsed_ms(SCENE_PUZZLE), 15u);
}

TEST_F(TimeBase, EachSceneKeepsItsOwnStart) {
    test_board::clock_set_ms(1000);
    time_base_init();
    test_board::clock_set_ms(1600);
    scene_mark_start(SCENE_PUZZLE);
    test_board::clock_set_ms(1700);
    EXPECT_EQ(scene_elapsed_ms(SCENE_ADDRESS), 700u);
    EXPECT_EQ(scene_elapsed_ms(SCENE_PUZZLE), 100u);
}

TEST_F(TimeBase, FailingClockReadsAsZero) {
    test_board::clock_set_ms(5000);
    time_base_init();
    test_board::hand_clock.failing = true;
    EXPECT_EQ(now_ms(), 0u);
    // Elapsed time is then the wrap-around difference from the old start.
    EXPECT_EQ(scene_elapsed_ms(SCENE_ADDRESS), 4294967296u - 5000u);
    scene_mark_start(SCENE_PUZZLE);
    EXPECT_EQ(scene_elapsed_ms(SCENE_PUZZLE), 0u);
}

} // namespace
