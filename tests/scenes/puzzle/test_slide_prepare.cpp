// Capturing the puzzle for a slide is a render like any other: it advances the
// board, and a victory committed in the frame before plays its fanfare here.
#include "display/slide.h"
#include "puzzle_support.h"
#include "scenes/puzzle/puzzle_board.h"
#include "scenes/puzzle/puzzle_scene.h"
#include "support/platform_guard.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t SAMPLE_BIT_COUNT = 15248 * 8;

class SlidePreparation : public ::testing::Test {
  protected:
    void SetUp() override {
        test_board::clock_install(test_board::START_MS);
        test_board::time_of_day_install();
        test_board::soc_install();
        test_board::soc.keep_log = false;
        reset_puzzle(solved_board());
        puzzle_state.board_ready = 1;
        puzzle_set_near_solved();
        restart_puzzle_clock();
    }
    Canvas frame;
    PlatformGuard guard;
};

TEST_F(SlidePreparation, CommitsAMoveThatHasRunItsTime) {
    set_puzzle_time(1000);
    puzzle_touch(80, 200); // cell 8: tile 7 slides home
    ASSERT_EQ(puzzle_state.move_active, 1);
    set_puzzle_time(1100);
    slide_prepare();
    EXPECT_EQ(puzzle_state.move_active, 0);
    EXPECT_EQ(puzzle_board.cells[7], 7);
    EXPECT_EQ(puzzle_state.victory_active, 1);
    EXPECT_EQ(test_board::soc.gpbdat_writes, 0u)
        << "the fanfare plays on the frame after the commit";
}

TEST_F(SlidePreparation, PlaysTheFanfareOfAVictoryCommittedTheFrameBefore) {
    set_puzzle_time(1000);
    puzzle_touch(80, 200);
    set_puzzle_time(1100);
    puzzle_scene_render(1100, &frame);
    ASSERT_EQ(puzzle_state.victory_active, 1);
    ASSERT_EQ(puzzle_state.victory_sound_played, 0);
    slide_prepare();
    EXPECT_EQ(puzzle_state.victory_sound_played, 1);
    EXPECT_EQ(test_board::soc.opens, 1);
    EXPECT_EQ(test_board::soc.gpbdat_writes, SAMPLE_BIT_COUNT + 1);
}

} // namespace
