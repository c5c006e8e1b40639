// The slide's row split as a function of clock time, in both directions.
#include "app/time_base.h"
#include "display/framebuffer.h"
#include "display/slide.h"
#include "support/platform_guard.h"
#include "support/test_board.h"

#include <gtest/gtest.h>

namespace {

class Slide : public ::testing::Test {
  protected:
    void SetUp() override {
        test_board::clock_install();
        // Every row of each snapshot carries its scene and row number.
        for (int scene = 0; scene < 2; ++scene) {
            for (int y = 0; y < CANVAS_H; ++y) {
                for (int x = 0; x < CANVAS_W; ++x) {
                    slide_snapshot[scene].px[y * CANVAS_W + x] = tag(scene, y);
                }
            }
        }
        std::fill(std::begin(frame_canvas.px), std::end(frame_canvas.px), 0xFFFF);
    }
    static uint16_t tag(int scene, int row) { return static_cast<uint16_t>(scene << 12 | row); }
    // Starts the slide clock at `start` and steps at `start + t`.
    static int step_at(int64_t start, int64_t t, int direction) {
        test_board::clock_set_ms(start);
        slide_start_ms = now_ms();
        test_board::clock_set_ms(start + t);
        return slide_step(direction);
    }
    // The frame holds scene 0 from row k on, then scene 1 from row 0, whole rows.
    static void expect_split(int k) {
        for (int y = 0; y < CANVAS_H; ++y) {
            uint16_t want = y < CANVAS_H - k ? tag(0, y + k) : tag(1, y - (CANVAS_H - k));
            for (int x = 0; x < CANVAS_W; ++x) {
                ASSERT_EQ(frame_canvas.px[y * CANVAS_W + x], want) << "row " << y << " k " << k;
            }
        }
    }
    PlatformGuard guard;
};

TEST_F(Slide, StartOfTheSlideToThePuzzleShowsOneRowOfIt) {
    EXPECT_EQ(step_at(5000, 0, 0), 1);
    expect_split(1);
}

TEST_F(Slide, StartOfTheSlideBackShowsOneRowOfTheAddressScene) {
    EXPECT_EQ(step_at(5000, 0, 1), 1);
    expect_split(319);
}

TEST_F(Slide, HalfwayBothScenesShare160Rows) {
    EXPECT_EQ(step_at(5000, 50, 0), 1);
    expect_split(160);
    EXPECT_EQ(step_at(5000, 50, 1), 1);
    expect_split(160);
}

TEST_F(Slide, RowsFollowTheFormulaForEveryMillisecond) {
    for (int t = 0; t <= 100; ++t) {
        ASSERT_EQ(step_at(7000, t, 0), 1);
        expect_split(1 + 318 * t / 100);
    }
}

TEST_F(Slide, LastFrameAtHundredThenOverWithoutTouchingTheFrame) {
    EXPECT_EQ(step_at(5000, 100, 0), 1);
    expect_split(319);
    EXPECT_EQ(step_at(5000, 100, 1), 1);
    expect_split(1);
    std::fill(std::begin(frame_canvas.px), std::end(frame_canvas.px), 0xABCD);
    EXPECT_EQ(step_at(5000, 101, 0), 0);
    for (uint16_t pixel : frame_canvas.px) {
        ASSERT_EQ(pixel, 0xABCD);
    }
}

TEST_F(Slide, ElapsedTimeIsMeasuredAcrossTheClockWrap) {
    EXPECT_EQ(step_at(4294967296LL - 20, 70, 0), 1);
    expect_split(1 + 318 * 70 / 100);
    EXPECT_EQ(step_at(4294967296LL - 20, 120, 0), 0);
}

} // namespace
