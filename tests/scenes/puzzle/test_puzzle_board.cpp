// The board model: tables, shuffle, touch to move, move completion, resets.
#include "assets/puzzle_tables.h"
#include "puzzle_support.h"
#include "scenes/puzzle/puzzle_board.h"
#include "support/platform_guard.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// Captured before any test runs: the board is constant-initialised.
const PuzzleBoard board_at_start = puzzle_board;

// The middle of cell c on the Canvas.
int32_t cell_x(int32_t c) {
    return 151 - 48 * (c / 3) + 24;
}
int32_t cell_y(int32_t c) {
    return 85 + 48 * (c % 3) + 24;
}

int32_t distance(int32_t a, int32_t b) {
    return abs(a / 3 - b / 3) + abs(a % 3 - b % 3);
}

// The solved board with the empty cell slid to `hole`: along its row, then its column.
PuzzleBoard board_with_hole(int32_t hole) {
    PuzzleBoard board = solved_board();
    while (board.hole != hole) {
        int32_t h = board.hole;
        int32_t next = h / 3 != hole / 3 ? h - 3 : hole % 3 < h % 3 ? h - 1 : h + 1;
        std::swap(board.cells[h], board.cells[next]);
        board.hole = next;
    }
    return board;
}

bool same_board(const PuzzleBoard &a, const PuzzleBoard &b) {
    return memcmp(&a, &b, sizeof a) == 0;
}

class PuzzleBoardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test_board::clock_install(test_board::START_MS);
        test_board::time_of_day_install();
        reset_puzzle(solved_board());
        restart_puzzle_clock();
    }
    PlatformGuard guard;
};

// --- tables and start value -----------------------------------------------------

TEST(PuzzleTables, AdjacencyIsTwoOnTheDiagonalOneForEdgeNeighboursElseZero) {
    for (int a = 0; a < 9; ++a) {
        for (int b = 0; b < 9; ++b) {
            int distance = abs(a / 3 - b / 3) + abs(a % 3 - b % 3);
            int expected = distance == 0 ? 2 : distance == 1 ? 1 : 0;
            EXPECT_EQ(puzzle_adjacency[a][b], expected) << a << "," << b;
        }
    }
}

TEST(PuzzleTables, NearSolvedLayoutAndTheSolvedStart) {
    const int32_t near[9] = {0, 1, 2, 3, 4, 5, 6, 8, 7};
    EXPECT_EQ(memcmp(puzzle_near_solved_layout, near, sizeof near), 0);
    EXPECT_TRUE(same_board(board_at_start, solved_board()));
    EXPECT_EQ(sizeof(PuzzleBoard), 40u);
    EXPECT_EQ(sizeof(PuzzleState), 44u);
}

// --- shuffle --------------------------------------------------------------------

TEST(PuzzleDraw, MapsRandToCellsWithTruncation) {
    EXPECT_EQ(puzzle_draw_cell(0), 0);
    EXPECT_EQ(puzzle_draw_cell(238609294), 0); // 0.99999999953
    EXPECT_EQ(puzzle_draw_cell(238609295), 1);
    EXPECT_EQ(puzzle_draw_cell(1908874352), 7); // 7.99999999991
    EXPECT_EQ(puzzle_draw_cell(1908874353), 8);
    EXPECT_EQ(puzzle_draw_cell(2147483646), 8);
    EXPECT_EQ(puzzle_draw_cell(2147483647), 9);
}

TEST_F(PuzzleBoardTest, DrawsOfNineAndOfFarCellsAreRejectedUnchanged) {
    for (int32_t hole = 0; hole < 9; ++hole) {
        for (int32_t r = 0; r <= 9; ++r) {
            reset_puzzle(board_with_hole(hole));
            int32_t accepted = puzzle_apply_draw(r);
            bool legal = r < 9 && distance(r, hole) <= 1;
            EXPECT_EQ(accepted, legal ? 1 : 0) << "hole " << hole << " r " << r;
            PuzzleBoard expected = board_with_hole(hole);
            if (legal) {
                std::swap(expected.cells[r], expected.cells[hole]);
                expected.hole = r;
            }
            EXPECT_TRUE(same_board(puzzle_board, expected)) << "hole " << hole << " r " << r;
        }
    }
}

TEST_F(PuzzleBoardTest, ShuffleIsAThousandAcceptedDrawsSeededBySecondsPlusMicroseconds) {
    // The sum wraps at 32 bits: 0xFFFFFFF0 + 0x30 seeds 0x20.
    test_board::time_of_day.sec = 0xFFFFFFF0;
    test_board::time_of_day.usec = 0x30;
    puzzle_shuffle();
    PuzzleBoard expected = reference_shuffle(solved_board(), 0x20);
    EXPECT_TRUE(same_board(puzzle_board, expected));
    // The generator is left where 1000 accepted draws leave it: no draw more or less.
    int next_after_shuffle = rand();
    reference_shuffle(solved_board(), 0x20);
    EXPECT_EQ(next_after_shuffle, rand());
}

TEST_F(PuzzleBoardTest, EveryShuffledBoardIsASolvablePermutation) {
    for (int64_t usec = 0; usec < 40; ++usec) {
        test_board::time_of_day.sec = 1700000000;
        test_board::time_of_day.usec = usec * 24989;
        PuzzleBoard start = board_with_hole(static_cast<int32_t>(usec % 9));
        reset_puzzle(start);
        puzzle_shuffle();
        EXPECT_TRUE(is_permutation_with_hole(puzzle_board)) << usec;
        EXPECT_TRUE(is_solvable(puzzle_board)) << usec;
        uint32_t seed = static_cast<uint32_t>(1700000000 + usec * 24989);
        EXPECT_TRUE(same_board(puzzle_board, reference_shuffle(start, seed))) << usec;
    }
}

TEST_F(PuzzleBoardTest, ShuffleChangesTheBoardOnlyNeverTheState) {
    // A shuffle that ends solved must not start a victory: the state is not its to touch.
    puzzle_state = {0, 0, 0, 1, 2, 0, 2, 777, 1, 0, 555};
    PuzzleState before = puzzle_state;
    puzzle_shuffle();
    EXPECT_EQ(memcmp(&before, &puzzle_state, sizeof before), 0);
}

// --- touch ------------------------------------------------------------------------

struct Band {
    int32_t coordinate;
    int32_t index; // -1: outside the grid
};

TEST_F(PuzzleBoardTest, TouchXBandsGiveColumns) {
    const Band bands[] = {{55, -1}, {56, 2},  {103, 2},  {104, 1}, {151, 1}, {152, 0},
                          {200, 0}, {246, 0}, {247, -1}, {0, -1},  {239, 0}};
    for (const Band &band : bands) {
        for (int32_t hole = 0; hole < 9; ++hole) {
            reset_puzzle(board_with_hole(hole));
            puzzle_touch(band.coordinate, cell_y(1));
            bool expect_move = band.index >= 0 && distance(3 * band.index + 1, hole) == 1;
            ASSERT_EQ(puzzle_state.move_active, expect_move ? 1 : 0)
                << "x " << band.coordinate << " hole " << hole;
            if (expect_move) {
                EXPECT_EQ(puzzle_state.move_tile_col, band.index);
                EXPECT_EQ(puzzle_state.move_tile_row, 1);
            }
        }
    }
}

TEST_F(PuzzleBoardTest, TouchYBandsGiveRows) {
    const Band bands[] = {{37, -1}, {38, 0},  {60, 0},  {132, 0},  {133, 1},
                          {180, 1}, {181, 2}, {228, 2}, {229, -1}, {0, -1}};
    for (const Band &band : bands) {
        for (int32_t hole = 0; hole < 9; ++hole) {
            reset_puzzle(board_with_hole(hole));
            puzzle_touch(cell_x(3), band.coordinate);
            bool expect_move = band.index >= 0 && distance(3 + band.index, hole) == 1;
            ASSERT_EQ(puzzle_state.move_active, expect_move ? 1 : 0)
                << "y " << band.coordinate << " hole " << hole;
            if (expect_move) {
                EXPECT_EQ(puzzle_state.move_tile_col, 1);
                EXPECT_EQ(puzzle_state.move_tile_row, band.index);
            }
        }
    }
}

TEST_F(PuzzleBoardTest, OnlyEdgeNeighboursOfTheEmptyCellStartASlide) {
    for (int32_t touched = 0; touched < 9; ++touched) {
        reset_puzzle(board_with_hole(4));
        set_puzzle_time(321);
        puzzle_touch(cell_x(touched), cell_y(touched));
        bool edge = touched == 1 || touched == 3 || touched == 5 || touched == 7;
        ASSERT_EQ(puzzle_state.move_active, edge ? 1 : 0) << touched;
        EXPECT_TRUE(same_board(puzzle_board, board_with_hole(4))) << touched;
        if (edge) {
            EXPECT_EQ(puzzle_state.move_tile_col, touched / 3);
            EXPECT_EQ(puzzle_state.move_tile_row, touched % 3);
            EXPECT_EQ(puzzle_state.move_hole_col, 1);
            EXPECT_EQ(puzzle_state.move_hole_row, 1);
            EXPECT_EQ(puzzle_state.move_start_ms, 321u);
        }
    }
}

TEST_F(PuzzleBoardTest, TouchesDuringASlideOrAVictoryAreDropped) {
    reset_puzzle(board_with_hole(4));
    puzzle_touch(cell_x(1), cell_y(1));
    set_puzzle_time(40);
    puzzle_touch(cell_x(7), cell_y(7));
    EXPECT_EQ(puzzle_state.move_tile_col, 0);
    EXPECT_EQ(puzzle_state.move_tile_row, 1);
    EXPECT_EQ(puzzle_state.move_start_ms, 0u);
    set_puzzle_time(100);
    puzzle_move_complete();
    EXPECT_EQ(puzzle_board.hole, 1); // only the first touch moved a tile
    EXPECT_EQ(puzzle_state.move_active, 0);

    for (int flag = 0; flag < 2; ++flag) {
        reset_puzzle(board_with_hole(4));
        (flag == 0 ? puzzle_state.victory_active : puzzle_state.victory_done) = 1;
        puzzle_touch(cell_x(1), cell_y(1));
        EXPECT_EQ(puzzle_state.move_active, 0) << flag;
    }
}

// --- move completion ----------------------------------------------------------------

TEST_F(PuzzleBoardTest, CommitsOnTheFirstFrameAtOneHundredMilliseconds) {
    reset_puzzle(board_with_hole(4));
    set_puzzle_time(10);
    puzzle_touch(cell_x(5), cell_y(5));
    set_puzzle_time(109);
    EXPECT_EQ(puzzle_move_complete(), 109u);
    EXPECT_EQ(puzzle_state.move_active, 1);
    EXPECT_TRUE(same_board(puzzle_board, board_with_hole(4)));
    set_puzzle_time(110);
    EXPECT_EQ(puzzle_move_complete(), 110u);
    EXPECT_EQ(puzzle_state.move_active, 0);
    PuzzleBoard expected = board_with_hole(4);
    std::swap(expected.cells[4], expected.cells[5]);
    expected.hole = 5;
    EXPECT_TRUE(same_board(puzzle_board, expected));
    EXPECT_EQ(puzzle_state.victory_active, 0);
}

TEST_F(PuzzleBoardTest, TheLastSlideOfANearSolvedBoardStartsTheVictory) {
    puzzle_set_near_solved();
    set_puzzle_time(1000);
    puzzle_touch(80, 200); // cell 8
    EXPECT_EQ(puzzle_state.move_tile_col, 2);
    EXPECT_EQ(puzzle_state.move_tile_row, 2);
    EXPECT_EQ(puzzle_state.move_hole_row, 1);
    set_puzzle_time(1099);
    puzzle_move_complete();
    EXPECT_EQ(puzzle_state.victory_active, 0);
    set_puzzle_time(1100);
    test_board::hand_clock.step_per_read_ns =
        3 * 1000000; // the victory's start is a reading of its own
    EXPECT_EQ(puzzle_move_complete(), 1100u);
    EXPECT_TRUE(same_board(puzzle_board, solved_board()));
    EXPECT_EQ(puzzle_state.victory_active, 1);
    EXPECT_EQ(puzzle_state.victory_start_ms, 1103u);
}

TEST_F(PuzzleBoardTest, ASolvedBoardWithoutACommitIsNoVictory) {
    puzzle_set_near_solved();
    puzzle_touch(cell_x(4), cell_y(4)); // tile 4 into the empty cell 7, away from solved
    set_puzzle_time(100);
    puzzle_move_complete();
    EXPECT_EQ(puzzle_board.hole, 4);
    EXPECT_EQ(puzzle_state.victory_active, 0);
}

// --- resets ----------------------------------------------------------------------------

TEST_F(PuzzleBoardTest, SetNearSolvedClearsTheFlagsAndKeepsTheRest) {
    puzzle_state = {1, 1, 1, 2, 0, 1, 1, 777, 1, 1, 555};
    puzzle_set_near_solved();
    PuzzleState expected = {0, 0, 0, 2, 0, 1, 1, 777, 1, 0, 555};
    EXPECT_EQ(memcmp(&expected, &puzzle_state, sizeof expected), 0);
    PuzzleBoard near = {7, {0, 1, 2, 3, 4, 5, 6, 8, 7}};
    EXPECT_TRUE(same_board(puzzle_board, near));
}

TEST_F(PuzzleBoardTest, ResetShufflesFromTheNearSolvedBoard) {
    test_board::time_of_day.sec = 1234;
    test_board::time_of_day.usec = 5678;
    reset_puzzle(board_with_hole(0));
    puzzle_state.victory_done = 1;
    puzzle_reset();
    PuzzleBoard near = {7, {0, 1, 2, 3, 4, 5, 6, 8, 7}};
    EXPECT_TRUE(same_board(puzzle_board, reference_shuffle(near, 1234 + 5678)));
    EXPECT_EQ(puzzle_state.victory_done, 0);
    EXPECT_EQ(puzzle_state.board_ready, 0); // still unshuffled for the first render
}

} // namespace
