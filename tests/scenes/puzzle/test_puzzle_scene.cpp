// The puzzle scene: background and strips, backing square, tiles and the sliding
// tile, the result, and the victory's sound and fade, frame by frame on a fake clock.
#include "assets/images.h"
#include "assets/victory_sample.h"
#include "display/backgrounds.h"
#include "display/framebuffer.h"
#include "display/raster.h"
#include "puzzle_support.h"
#include "scenes/puzzle/puzzle_board.h"
#include "scenes/puzzle/puzzle_scene.h"
#include "support/platform_guard.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

constexpr uint32_t SAMPLE_BIT_COUNT = VICTORY_SAMPLE_BYTES * 8;

Canvas canvas;
Canvas expected;

uint16_t &at(Canvas &c, int32_t x, int32_t y) {
    return c.px[y * CANVAS_W + x];
}

// Every pixel of a w x h block at (x, y) against an image with the given stride.
::testing::AssertionResult block_is(const Canvas &c, int32_t x, int32_t y, const uint16_t *image,
                                    int32_t w, int32_t h, int32_t stride) {
    for (int32_t r = 0; r < h; ++r) {
        for (int32_t k = 0; k < w; ++k) {
            uint16_t got = c.px[(y + r) * CANVAS_W + x + k];
            if (got != image[r * stride + k]) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x + k << ", " << y + r << ") is " << got << ", not "
                       << image[r * stride + k];
            }
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult same_canvas(const Canvas &a, const Canvas &b) {
    return block_is(a, 0, 0, b.px, CANVAS_W, CANVAS_H, CANVAS_W);
}

::testing::AssertionResult block_filled(const Canvas &c, int32_t x, int32_t y, int32_t w, int32_t h,
                                        uint16_t value) {
    static uint16_t fill[CANVAS_PIXELS];
    for (uint16_t &p : fill) {
        p = value;
    }
    return block_is(c, x, y, fill, w, h, CANVAS_W);
}

const uint16_t *tile_picture(int32_t v) {
    return img_puzzle_tiles + 48 * (v % 3) * 144 + 96 - 48 * (v / 3);
}
int32_t cell_x(int32_t c) {
    return 151 - 48 * (c / 3);
}
int32_t cell_y(int32_t c) {
    return 85 + 48 * (c % 3);
}

// blend_blit's documented channel blend, for single pixels.
uint16_t blend(uint16_t src, uint16_t dst, uint32_t w) {
    uint32_t r = (w * (src >> 11) + (256 - w) * (dst >> 11)) >> 8;
    uint32_t g = (w * ((src >> 5) & 0x3F) + (256 - w) * ((dst >> 5) & 0x3F)) >> 8;
    uint32_t b = (w * (src & 0x1F) + (256 - w) * (dst & 0x1F)) >> 8;
    return static_cast<uint16_t>(r << 11 | g << 5 | b);
}

// The background with the strips as they stand at scene time e (from 2700: opaque).
void background_with_strips(Canvas *c, int32_t right_weight, int32_t left_weight) {
    *c = scene_background[SCENE_PUZZLE];
    if (right_weight >= 0) {
        blend_blit(c, 217, 8, img_puzzle_strip_right, 15, 108, 15, right_weight);
    }
    if (left_weight >= 0) {
        blend_blit(c, 19, 15, img_puzzle_strip_left, 19, 145, 19, left_weight);
    }
}

class PuzzleSceneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test_board::clock_install(test_board::START_MS);
        test_board::time_of_day_install();
        test_board::soc_install();
        test_board::soc.keep_log = false;
        // A background where every neighbouring pixel differs, so a misplaced copy shows.
        for (int32_t i = 0; i < CANVAS_PIXELS; ++i) {
            scene_background[SCENE_PUZZLE].px[i] = static_cast<uint16_t>(i * 40503u + 12345u);
        }
        reset_puzzle(solved_board());
        puzzle_state.board_ready = 1;
        restart_puzzle_clock();
    }

    // Renders at puzzle time t (the scene time the main loop would pass).
    int render_at(uint32_t t) {
        set_puzzle_time(t);
        return puzzle_scene_render(t, &canvas);
    }

    // Near solved, the last tile touched at puzzle time t and committed at t + 100.
    void win_at(uint32_t t) {
        puzzle_set_near_solved();
        set_puzzle_time(t);
        puzzle_touch(80, 200);
        ASSERT_EQ(puzzle_state.move_active, 1);
        render_at(t + 100);
        ASSERT_EQ(puzzle_state.victory_active, 1);
    }

    PlatformGuard guard;
};

// --- background, strips, result ------------------------------------------------------

TEST_F(PuzzleSceneTest, EveryRenderMarksTheVisitAndStartsFromTheBackground) {
    puzzle_visited = 0;
    render_at(0);
    EXPECT_EQ(puzzle_visited, 1);
    expected = scene_background[SCENE_PUZZLE];
    backing_square(&expected, 256);
    blend_blit(&expected, 55, 85, img_puzzle_tiles, 144, 144, 144, 256);
    for (int32_t y = 181; y < 229; ++y) {
        for (int32_t x = 55; x < 103; ++x) {
            at(expected, x, y) = BACKING_COLOUR; // the empty cell's home shows no tile
        }
    }
    EXPECT_TRUE(same_canvas(canvas, expected));
}

TEST(PuzzleStrips, WeightsRampInDoubleAndTruncate) {
    struct Case {
        uint32_t e;
        int32_t right;
        int32_t left;
    };
    const Case cases[] = {{0, -1, -1},      {199, -1, -1},    {200, 0, -1},     {201, 0, -1},
                          {204, 1, -1},     {699, 127, -1},   {700, 128, 0},    {1199, 255, 63},
                          {1200, 256, 64},  {1700, 256, 128}, {2699, 256, 255}, {2700, 256, 256},
                          {90000, 256, 256}};
    for (const Case &c : cases) {
        EXPECT_EQ(strip_weight(c.e, RIGHT_STRIP_START_MS, RIGHT_STRIP_FADE_MS), c.right) << c.e;
        EXPECT_EQ(strip_weight(c.e, LEFT_STRIP_START_MS, LEFT_STRIP_FADE_MS), c.left) << c.e;
    }
}

TEST_F(PuzzleSceneTest, StripsAreAbsentThenRightOnlyThenBothOpaque) {
    const struct {
        uint32_t e;
        int32_t right;
        int32_t left;
    } frames[] = {{0, -1, -1},    {199, -1, -1},    {450, 64, -1},
                  {699, 127, -1}, {1700, 256, 128}, {2700, 256, 256}};
    for (const auto &f : frames) {
        render_at(f.e);
        background_with_strips(&expected, f.right, f.left);
        EXPECT_TRUE(block_is(canvas, 217, 8, expected.px + 8 * 240 + 217, 15, 108, 240)) << f.e;
        EXPECT_TRUE(block_is(canvas, 19, 15, expected.px + 15 * 240 + 19, 19, 145, 240)) << f.e;
    }
    EXPECT_TRUE(block_is(canvas, 217, 8, img_puzzle_strip_right, 15, 108, 15));
    EXPECT_TRUE(block_is(canvas, 19, 15, img_puzzle_strip_left, 19, 145, 19));
}

TEST_F(PuzzleSceneTest, ResultIsZeroForTheFirst2700MillisecondsOfEveryVisit) {
    for (int visit = 0; visit < 2; ++visit) {
        restart_puzzle_clock();
        for (uint32_t e : {0u, 199u, 1200u, 2699u}) {
            EXPECT_EQ(render_at(e), 0) << e;
        }
        EXPECT_EQ(render_at(2700), 1);
        EXPECT_EQ(render_at(60000), 1);
    }
    // A slide keeps the scene busy past the intro.
    puzzle_touch(80, 150); // tile 7 into the empty cell 8
    EXPECT_EQ(render_at(60050), 0);
    EXPECT_EQ(render_at(60100), 1);
}

// --- backing square and tiles ------------------------------------------------------------

TEST(PuzzleBacking, SquareBlendsTheWholeSixteenBitValue) {
    for (int32_t i = 0; i < CANVAS_PIXELS; ++i) {
        canvas.px[i] = static_cast<uint16_t>(i * 7919u);
    }
    expected = canvas;
    backing_square(&canvas, 100);
    for (int32_t y = 0; y < CANVAS_H; ++y) {
        for (int32_t x = 0; x < CANVAS_W; ++x) {
            uint32_t p = at(expected, x, y);
            bool inside = x >= 50 && x < 204 && y >= 80 && y < 234;
            uint32_t want = inside ? (156 * p + 100 * 6349) >> 8 : p;
            ASSERT_EQ(at(canvas, x, y), want) << x << "," << y;
        }
    }
    // One value where a channel-by-channel blend would give something else.
    at(canvas, 60, 90) = 0xFFFF;
    backing_square(&canvas, 128);
    EXPECT_EQ(at(canvas, 60, 90), (128u * 0xFFFF + 128u * 6349) >> 8);
}

TEST_F(PuzzleSceneTest, FrameAndEmptyCellShowTheBackingColour) {
    PuzzleBoard shuffled = {1, {4, 8, 0, 7, 2, 6, 1, 5, 3}};
    reset_puzzle(shuffled);
    puzzle_state.board_ready = 1;
    render_at(3000);
    EXPECT_TRUE(block_filled(canvas, 50, 80, 154, 5, BACKING_COLOUR));
    EXPECT_TRUE(block_filled(canvas, 50, 229, 154, 5, BACKING_COLOUR));
    EXPECT_TRUE(block_filled(canvas, 50, 80, 5, 154, BACKING_COLOUR));
    EXPECT_TRUE(block_filled(canvas, 199, 80, 5, 154, BACKING_COLOUR));
    EXPECT_TRUE(block_filled(canvas, cell_x(1), cell_y(1), 48, 48, BACKING_COLOUR));
    for (int32_t c = 0; c < 9; ++c) {
        if (c != 1) {
            EXPECT_TRUE(block_is(canvas, cell_x(c), cell_y(c), tile_picture(shuffled.cells[c]), 48,
                                 48, 144))
                << "cell " << c;
        }
    }
    EXPECT_EQ(at(canvas, 49, 80), scene_background[SCENE_PUZZLE].px[80 * 240 + 49]);
    EXPECT_EQ(at(canvas, 204, 233), scene_background[SCENE_PUZZLE].px[233 * 240 + 204]);
}

TEST_F(PuzzleSceneTest, SlidingTileMovesOnTheStraightLineWithTruncation) {
    puzzle_set_near_solved();
    set_puzzle_time(1000);
    puzzle_touch(80, 200); // cell 8 holds tile 7; it slides up into cell 7
    const struct {
        uint32_t d;
        int32_t y;
    } steps[] = {{0, 181}, {1, 180}, {50, 157}, {99, 133}};
    for (const auto &s : steps) {
        render_at(1000 + s.d);
        EXPECT_EQ(puzzle_state.move_active, 1);
        EXPECT_TRUE(block_is(canvas, 55, s.y, tile_picture(7), 48, 48, 144)) << s.d;
    }
    // Horizontally: tile 4 leaves cell 4 towards the empty cell 7 on its left.
    puzzle_set_near_solved();
    set_puzzle_time(2000);
    puzzle_touch(cell_x(4) + 10, cell_y(4) + 10);
    render_at(2001);
    EXPECT_TRUE(block_is(canvas, 102, 133, tile_picture(4), 48, 48, 144));
    render_at(2050);
    EXPECT_TRUE(block_is(canvas, 79, 133, tile_picture(4), 48, 48, 144));
}

TEST_F(PuzzleSceneTest, FirstFrameAtOneHundredMillisecondsCommits) {
    PuzzleBoard board = {4, {0, 1, 2, 3, 8, 5, 6, 4, 7}};
    reset_puzzle(board);
    puzzle_state.board_ready = 1;
    set_puzzle_time(5000);
    puzzle_touch(cell_x(3) + 1, cell_y(3) + 1);
    EXPECT_EQ(render_at(5099), 0);
    EXPECT_EQ(puzzle_board.hole, 4);
    EXPECT_EQ(render_at(5100), 1);
    EXPECT_EQ(puzzle_board.hole, 3);
    EXPECT_TRUE(block_is(canvas, cell_x(4), cell_y(4), tile_picture(3), 48, 48, 144));
    EXPECT_TRUE(block_filled(canvas, cell_x(3), cell_y(3), 48, 48, BACKING_COLOUR));
}

TEST_F(PuzzleSceneTest, ARestartedClockCommitsOnTheFirstFrame) {
    puzzle_set_near_solved();
    set_puzzle_time(700);
    puzzle_touch(cell_x(6) + 5, cell_y(6) + 5); // tile 6 down into cell 7
    test_board::clock_advance_ms(10);
    restart_puzzle_clock();
    render_at(0);
    EXPECT_EQ(puzzle_state.move_active, 0);
    EXPECT_EQ(puzzle_board.hole, 6);
    EXPECT_TRUE(block_is(canvas, cell_x(7), cell_y(7), tile_picture(6), 48, 48, 144));
}

// --- first render --------------------------------------------------------------------------

TEST_F(PuzzleSceneTest, FirstRenderShufflesOverASetNearSolved) {
    test_board::time_of_day.sec = 1700000000;
    test_board::time_of_day.usec = 4321;
    reset_puzzle(solved_board());
    puzzle_set_near_solved();
    render_at(10);
    PuzzleBoard near = {7, {0, 1, 2, 3, 4, 5, 6, 8, 7}};
    PuzzleBoard want = reference_shuffle(near, 1700004321u);
    EXPECT_EQ(memcmp(&puzzle_board, &want, sizeof want), 0);
    EXPECT_EQ(puzzle_state.board_ready, 1);
    render_at(20); // only the first render shuffles
    EXPECT_EQ(memcmp(&puzzle_board, &want, sizeof want), 0);
}

TEST_F(PuzzleSceneTest, ResetBeforeTheFirstRenderShufflesTwice) {
    test_board::time_of_day.sec = 99;
    test_board::time_of_day.usec = 1;
    reset_puzzle(solved_board());
    puzzle_reset();
    render_at(10);
    PuzzleBoard near = {7, {0, 1, 2, 3, 4, 5, 6, 8, 7}};
    PuzzleBoard want = reference_shuffle(reference_shuffle(near, 100), 100);
    EXPECT_EQ(memcmp(&puzzle_board, &want, sizeof want), 0);
}

TEST_F(PuzzleSceneTest, ASolvedBoardThatNoSlideReachedIsNoVictory) {
    EXPECT_EQ(render_at(3000), 1);
    EXPECT_EQ(puzzle_state.victory_active, 0);
    EXPECT_EQ(test_board::soc.opens, 0);
}

// --- victory -----------------------------------------------------------------------------

TEST(PuzzleFade, WeightFallsFrom256ToZeroOver2000Milliseconds) {
    const uint32_t dt[] = {0, 1, 7, 8, 1000, 1992, 1993, 1999};
    const int32_t w[] = {256, 255, 255, 254, 128, 1, 0, 0};
    for (size_t i = 0; i < sizeof dt / sizeof dt[0]; ++i) {
        EXPECT_EQ(victory_fade_weight(dt[i]), w[i]) << dt[i];
    }
}

TEST_F(PuzzleSceneTest, WinningCommitFrameIsSolidAndSilent) {
    win_at(3000);
    EXPECT_EQ(test_board::soc.opens, 0);
    EXPECT_EQ(puzzle_state.victory_sound_played, 0);
    EXPECT_TRUE(block_filled(canvas, 50, 80, 154, 5, BACKING_COLOUR));
    EXPECT_TRUE(block_filled(canvas, 55, 181, 48, 48, BACKING_COLOUR));
    EXPECT_TRUE(block_is(canvas, 55, 85, img_puzzle_tiles, 144, 96, 144));
}

TEST_F(PuzzleSceneTest, NextFramePlaysTheSoundOnceAndTheFadeStartsAfterIt) {
    win_at(3000);
    test_board::soc.writes_per_ms = 1000; // the sound takes 121 ms of clock
    EXPECT_EQ(render_at(3150), 0);
    EXPECT_EQ(test_board::soc.opens, 1);
    EXPECT_EQ(test_board::soc.gpbdat_writes, SAMPLE_BIT_COUNT + 1);
    EXPECT_EQ(puzzle_state.victory_sound_played, 1);
    EXPECT_EQ(puzzle_state.victory_start_ms, 3150u + 121u);
    // Drawn at full weight: the fade clock had not moved yet.
    EXPECT_TRUE(block_filled(canvas, 50, 80, 154, 5, BACKING_COLOUR));
    EXPECT_TRUE(block_is(canvas, 55, 85, img_puzzle_tiles, 144, 96, 144));
    render_at(3400);
    EXPECT_EQ(test_board::soc.opens, 1);
    EXPECT_EQ(test_board::soc.gpbdat_writes, SAMPLE_BIT_COUNT + 1);
}

TEST_F(PuzzleSceneTest, FadeBlendsSquareAndTilesTogether) {
    win_at(3000);
    // The sound has played (that frame is tested above); the fade runs from 3150.
    puzzle_state.victory_sound_played = 1;
    puzzle_state.victory_start_ms = 3150;
    uint32_t start = 3150;
    EXPECT_EQ(render_at(start + 1000), 0);
    background_with_strips(&expected, 256, 256);
    for (auto [x, y] : {std::pair{50, 80}, std::pair{203, 233}, std::pair{70, 200}}) {
        uint32_t p = at(expected, x, y);
        EXPECT_EQ(at(canvas, x, y), (128 * p + 128 * 6349) >> 8) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{55, 85}, std::pair{198, 228}, std::pair{120, 140}}) {
        uint32_t p = at(expected, x, y);
        uint16_t square = static_cast<uint16_t>((128 * p + 128 * 6349) >> 8);
        uint16_t tile = img_puzzle_tiles[(y - 85) * 144 + (x - 55)];
        EXPECT_EQ(at(canvas, x, y), blend(tile, square, 128)) << x << "," << y;
    }
    // w = 0 from 1993 ms: the board has vanished but the victory still runs.
    EXPECT_EQ(render_at(start + 1993), 0);
    EXPECT_TRUE(same_canvas(canvas, expected));
    EXPECT_EQ(puzzle_state.victory_done, 0);
}

TEST_F(PuzzleSceneTest, AfterTheFadeNothingOfTheBoardUntilAReset) {
    win_at(3000);
    render_at(3150);
    uint32_t start = puzzle_state.victory_start_ms;
    EXPECT_EQ(render_at(start + 2000), 1);
    EXPECT_EQ(puzzle_state.victory_done, 1);
    EXPECT_EQ(puzzle_state.victory_active, 0);
    background_with_strips(&expected, 256, 256);
    EXPECT_TRUE(same_canvas(canvas, expected));
    puzzle_touch(80, 150);
    restart_puzzle_clock(); // a later visit
    EXPECT_EQ(render_at(2700), 1);
    EXPECT_TRUE(same_canvas(canvas, expected));
    EXPECT_EQ(test_board::soc.opens, 1);

    puzzle_set_near_solved();
    render_at(2800);
    EXPECT_TRUE(block_filled(canvas, 50, 80, 154, 5, BACKING_COLOUR));
    EXPECT_TRUE(block_is(canvas, 55, 181, tile_picture(7), 48, 48, 144));
    // A second victory opens, maps and plays again.
    win_at(4000);
    render_at(4150);
    EXPECT_EQ(test_board::soc.opens, 2);
    EXPECT_EQ(test_board::soc.gpbdat_writes, 2 * (SAMPLE_BIT_COUNT + 1));
}

TEST_F(PuzzleSceneTest, ARestartedClockEndsTheFadeOnTheNextFrame) {
    win_at(3000);
    puzzle_state.victory_sound_played = 1;
    puzzle_state.victory_start_ms = 3150;
    render_at(3200);
    EXPECT_EQ(puzzle_state.victory_active, 1);
    test_board::clock_advance_ms(5);
    restart_puzzle_clock();
    EXPECT_EQ(render_at(0), 0);
    EXPECT_EQ(puzzle_state.victory_done, 1);
}

// Tile rows are copied and blended onto Canvas rows at GRID_LEFT + 48 k: the
// picture must start on the same half of a word, or every copy takes the slow
// road of unlike alignments.
TEST(PuzzleTiles, StartOnTheSameHalfWordAsTheirCanvasColumn) {
    auto picture = reinterpret_cast<uintptr_t>(img_puzzle_tiles);
    auto column = reinterpret_cast<uintptr_t>(&frame_canvas.px[GRID_LEFT]);
    EXPECT_EQ(picture % 4, column % 4);
}

} // namespace
