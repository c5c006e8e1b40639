// The main loop's decisions: start-up order, touch regions per scene, the clock
// restarts, and the switch to the puzzle and back.
#include "app/event_wait.h"
#include "app/main_loop.h"
#include "app/time_base.h"
#include "fakes.h"
#include "support/platform_guard.h"
#include "support/test_board.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using Calls = std::vector<std::string>;

class MainLoop : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::reset();
        test_board::clock_install();
        platform.usleep = [](useconds_t) -> int {
            fake::calls.push_back("frame_delay");
            return 0;
        };
    }
    void TearDown() override { fake::close_pipes(); }
    static void touch_at(int32_t x, int32_t y) {
        fake::next_point[0] = x;
        fake::next_point[1] = y;
    }
    static void queue_touch() {
        int32_t raw[2] = {0, 0};
        ASSERT_EQ(write(fake::touch_fds[1], raw, sizeof raw), 8);
    }
    PlatformGuard guard;
};

struct RegionCase {
    int32_t x, y;
    TouchRegion region;
};

const char *region_word(TouchRegion region) {
    switch (region) {
    case REGION_BOTTOM_LEFT:
        return "bottom_left";
    case REGION_TOP_LEFT:
        return "top_left";
    case REGION_BOTTOM_RIGHT:
        return "bottom_right";
    default:
        return "none";
    }
}

void PrintTo(const RegionCase &c, std::ostream *os) {
    *os << "(" << c.x << "," << c.y << ") in " << region_word(c.region);
}

std::string region_case_name(const testing::TestParamInfo<RegionCase> &info) {
    const RegionCase &c = info.param;
    return "x" + std::to_string(c.x) + "_y" + std::to_string(c.y) + "_" + region_word(c.region);
}

class Regions : public ::testing::TestWithParam<RegionCase> {};

TEST_P(Regions, BoundariesAreStrict) {
    RegionCase c = GetParam();
    EXPECT_EQ(touch_region(c.x, c.y), c.region) << c.x << "," << c.y;
}

INSTANTIATE_TEST_SUITE_P(
    Edges, Regions,
    ::testing::Values(RegionCase{29, 246, REGION_BOTTOM_LEFT},
                      RegionCase{0, 319, REGION_BOTTOM_LEFT}, RegionCase{30, 246, REGION_NONE},
                      RegionCase{29, 245, REGION_NONE}, RegionCase{29, 29, REGION_TOP_LEFT},
                      RegionCase{0, 0, REGION_TOP_LEFT}, RegionCase{29, 30, REGION_NONE},
                      RegionCase{30, 29, REGION_NONE}, RegionCase{211, 291, REGION_BOTTOM_RIGHT},
                      RegionCase{239, 319, REGION_BOTTOM_RIGHT}, RegionCase{210, 291, REGION_NONE},
                      RegionCase{211, 290, REGION_NONE}, RegionCase{120, 160, REGION_NONE}),
    region_case_name);

TEST_F(MainLoop, StartUpRunsInItsFixedOrderAndStartsBothClocks) {
    test_board::clock_set_ms(9000);
    app_startup();
    EXPECT_EQ(fake::calls, (Calls{"net_worker_start", "font_load_from_usb", "compose_backgrounds",
                                  "touch_worker_start", "fb_open"}));
    test_board::clock_set_ms(9040);
    EXPECT_EQ(scene_elapsed_ms(SCENE_ADDRESS), 40u);
    EXPECT_EQ(scene_elapsed_ms(SCENE_PUZZLE), 40u);
}

TEST_F(MainLoop, SceneZeroCornersDriveThePuzzle) {
    touch_at(29, 29);
    EXPECT_EQ(scene0_handle_events(EVENT_TOUCH), 0);
    touch_at(211, 291);
    EXPECT_EQ(scene0_handle_events(EVENT_TOUCH), 0);
    touch_at(120, 160);
    EXPECT_EQ(scene0_handle_events(EVENT_TOUCH), 0);
    EXPECT_EQ(fake::calls, (Calls{"puzzle_set_near_solved", "puzzle_reset"}));
    touch_at(29, 246);
    EXPECT_EQ(scene0_handle_events(EVENT_TOUCH), 1);
}

TEST_F(MainLoop, AddressRestartsSceneZerosClockUnlessTheSameWaitSwitchesScenes) {
    time_base_init();
    test_board::clock_set_ms(500);
    touch_at(120, 160);
    scene0_handle_events(EVENT_TOUCH | EVENT_ADDRESS);
    EXPECT_EQ(scene_elapsed_ms(SCENE_ADDRESS), 0u);
    test_board::clock_set_ms(800);
    touch_at(10, 300);
    EXPECT_EQ(scene0_handle_events(EVENT_TOUCH | EVENT_ADDRESS), 1);
    EXPECT_EQ(scene_elapsed_ms(SCENE_ADDRESS), 300u);
}

TEST_F(MainLoop, SceneOneHandsEveryTouchToThePuzzleFirst) {
    touch_at(29, 29);
    EXPECT_EQ(scene1_handle_events(EVENT_TOUCH), 0);
    touch_at(211, 291);
    EXPECT_EQ(scene1_handle_events(EVENT_TOUCH), 0);
    touch_at(29, 246);
    EXPECT_EQ(scene1_handle_events(EVENT_TOUCH), 1);
    // The corners of scene 0 mean nothing here; the switch comes after the puzzle saw it.
    EXPECT_EQ(fake::calls,
              (Calls{"puzzle_touch 29 29", "puzzle_touch 211 291", "puzzle_touch 29 246"}));
}

TEST_F(MainLoop, AddressArrivingInSceneOneRestartsSceneZerosClock) {
    time_base_init();
    test_board::clock_set_ms(700);
    EXPECT_EQ(scene1_handle_events(EVENT_ADDRESS), 0);
    EXPECT_EQ(scene_elapsed_ms(SCENE_ADDRESS), 0u);
    EXPECT_EQ(scene_elapsed_ms(SCENE_PUZZLE), 700u);
}

TEST_F(MainLoop, PuzzleVisitSlidesInRunsTheSceneAndSlidesBack) {
    fake::slide_frames = 2;
    fake::scene1_idle = 0;
    touch_at(5, 310);
    queue_touch();
    run_puzzle_visit();
    Calls expected = {"slide_prepare", "slide_step 0", "fb_present",     "frame_delay",
                      "slide_step 0",  "fb_present",   "frame_delay",    "slide_step 0",
                      "render 1",      "fb_present",   "touch_read_raw", "puzzle_touch 5 310",
                      "slide_prepare", "slide_step 1"};
    EXPECT_EQ(fake::calls, expected);
}

TEST_F(MainLoop, PuzzleVisitRestartsTheArrivingScenesClocks) {
    time_base_init();
    test_board::clock_set_ms(3000);
    touch_at(5, 310);
    queue_touch();
    run_puzzle_visit();
    // Both the entry and the return restarted a clock at the fake time 3000.
    EXPECT_EQ(scene_elapsed_ms(SCENE_PUZZLE), 0u);
    EXPECT_EQ(scene_elapsed_ms(SCENE_ADDRESS), 0u);
}

TEST_F(MainLoop, IdlePuzzleWaitsWithoutLimitMovingPuzzleAtMostFiftyMs) {
    static bool had_limit;
    platform.select = [](int n, fd_set *r, fd_set *w, fd_set *e, timeval *t) -> int {
        had_limit = t != nullptr;
        return board_platform().select(n, r, w, e, t);
    };
    touch_at(5, 310);
    fake::scene1_idle = 1;
    queue_touch();
    run_puzzle_visit();
    EXPECT_FALSE(had_limit);
    fake::scene1_idle = 0;
    queue_touch();
    run_puzzle_visit();
    EXPECT_TRUE(had_limit);
}

} // namespace
