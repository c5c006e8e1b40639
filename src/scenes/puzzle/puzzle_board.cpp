#include "scenes/puzzle/puzzle_board.h"
#include "scenes/puzzle/puzzle_internal.h"

#include "app/time_base.h"
#include "assets/puzzle_tables.h"
#include "platform/platform.h"

#include <cstdlib>
#include <cstring>
#include <sys/time.h>

PuzzleBoard puzzle_board = {8, {0, 1, 2, 3, 4, 5, 6, 7, 8}};

PuzzleState puzzle_state;

namespace {

constexpr double RAND_TOP = 2147483647.0;

// The board's places on the Canvas, in double for the touch band mapping.
constexpr double GRID_X = 55.0;
constexpr double GRID_Y = 85.0;
constexpr double GRID_SIZE = 144.0;

int32_t cell_of(int32_t column, int32_t row) {
    return 3 * column + row;
}

bool board_solved() {
    for (int32_t c = 0; c < 9; ++c) {
        if (puzzle_board.cells[c] != c) {
            return false;
        }
    }
    return true;
}

// The solved test runs only right after a commit, so a shuffle that happens to
// end solved never starts a victory on its own.
void commit_move() {
    int32_t t = cell_of(puzzle_state.move_tile_col, puzzle_state.move_tile_row);
    int32_t h = cell_of(puzzle_state.move_hole_col, puzzle_state.move_hole_row);
    puzzle_board.cells[h] = puzzle_board.cells[t];
    puzzle_board.cells[t] = PUZZLE_HOLE;
    puzzle_board.hole = t;
    puzzle_state.move_active = 0;
    if (board_solved()) {
        puzzle_state.victory_start_ms = scene_elapsed_ms(SCENE_PUZZLE);
        puzzle_state.victory_active = 1;
    }
}

} // namespace

int32_t puzzle_draw_cell(int raw) {
    return static_cast<int32_t>(static_cast<double>(raw) * 9.0 / RAND_TOP);
}

int32_t puzzle_apply_draw(int32_t r) {
    if (r < 0 || r > 8 || puzzle_adjacency[r][puzzle_board.hole] == 0) {
        return 0;
    }
    puzzle_board.cells[puzzle_board.hole] = puzzle_board.cells[r];
    puzzle_board.hole = r;
    puzzle_board.cells[r] = PUZZLE_HOLE;
    return 1;
}

void puzzle_shuffle() {
    struct timeval tv;
    if (platform.gettimeofday(&tv, nullptr) != 0) {
        abort();
    }
    srand(static_cast<uint32_t>(tv.tv_sec) + static_cast<uint32_t>(tv.tv_usec));
    int32_t accepted = 0;
    while (accepted < SHUFFLE_DRAWS) {
        accepted += puzzle_apply_draw(puzzle_draw_cell(rand()));
    }
}

void puzzle_touch(int32_t x, int32_t y) {
    if (puzzle_state.move_active || puzzle_state.victory_active || puzzle_state.victory_done) {
        return;
    }
    // Truncation toward zero widens the outer bands: x up to 246 still counts as
    // column 0, y from 38 as row 0.
    int32_t column = static_cast<int32_t>(3.0 - (x - GRID_X) * 3.0 / GRID_SIZE);
    int32_t row = static_cast<int32_t>((y - GRID_Y) * 3.0 / GRID_SIZE);
    if (row < 0 || row > 2 || column < 0 || column > 2) {
        return;
    }
    if (puzzle_adjacency[cell_of(column, row)][puzzle_board.hole] != 1) {
        return;
    }
    puzzle_state.move_active = 1;
    puzzle_state.move_hole_row = puzzle_board.hole % 3;
    puzzle_state.move_hole_col = puzzle_board.hole / 3;
    puzzle_state.move_tile_row = row;
    puzzle_state.move_tile_col = column;
    puzzle_state.move_start_ms = scene_elapsed_ms(SCENE_PUZZLE);
}

uint32_t puzzle_move_complete() {
    uint32_t now = scene_elapsed_ms(SCENE_PUZZLE);
    // Unsigned difference: a clock restarted since the touch gives a huge value and
    // commits at once.
    if (now - puzzle_state.move_start_ms >= MOVE_DURATION_MS) {
        commit_move();
    }
    return now;
}

void puzzle_set_near_solved() {
    puzzle_board.hole = 7;
    memcpy(puzzle_board.cells, puzzle_near_solved_layout, sizeof puzzle_board.cells);
    puzzle_state.move_active = 0;
    puzzle_state.victory_active = 0;
    puzzle_state.victory_done = 0;
    puzzle_state.victory_sound_played = 0;
}

void puzzle_reset() {
    puzzle_set_near_solved();
    puzzle_shuffle();
}

void puzzle_place(const int32_t cells[9]) {
    for (int32_t c = 0; c < 9; ++c) {
        puzzle_board.cells[c] = cells[c];
        if (cells[c] == PUZZLE_HOLE) {
            puzzle_board.hole = c;
        }
    }
    puzzle_mark_ready();
}

void puzzle_mark_ready() {
    puzzle_state.board_ready = 1;
}

void puzzle_victory_since(uint32_t ms) {
    puzzle_state.victory_active = 1;
    puzzle_state.victory_sound_played = 1;
    puzzle_state.victory_start_ms = ms;
}
