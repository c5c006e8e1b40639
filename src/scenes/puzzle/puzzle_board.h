// The 3x3 sliding puzzle: board, move and victory state, shuffle, touch to move,
// move completion, and the two resets the address scene's corners offer.
//
// Cell c lies in column c / 3 and row c % 3. On the Canvas column k starts at
// x = 151 - 48k (column 0 on the right) and row r at y = 85 + 48r. Tile value v
// belongs in cell v; 8 marks the empty cell.
#pragma once

#include <cstdint>

constexpr int32_t PUZZLE_HOLE = 8;
constexpr uint32_t MOVE_DURATION_MS = 100;
constexpr uint32_t VICTORY_FADE_MS = 2000;
constexpr int32_t SHUFFLE_DRAWS = 1000;

struct PuzzleBoard {
    int32_t hole;
    int32_t cells[9];
};

struct PuzzleState {
    int32_t move_active;
    int32_t victory_active;
    int32_t victory_done;
    int32_t move_hole_row;
    int32_t move_hole_col;
    int32_t move_tile_row;
    int32_t move_tile_col;
    uint32_t move_start_ms;
    int32_t board_ready;
    int32_t victory_sound_played;
    uint32_t victory_start_ms;
};

// Starts solved: hole 8, cells 0..8.
extern PuzzleBoard puzzle_board;
extern PuzzleState puzzle_state;

// 1000 accepted random slides, seeded from the time of day (aborts when that
// cannot be read). Changes the board only, never the state.
void puzzle_shuffle();

// Maps one rand() result to a cell 0..8, or 9 for the single value 2147483647.
int32_t puzzle_draw_cell(int raw);

// Applies one shuffle draw: 1 (accepted) when r is the empty cell or borders it,
// then the empty cell moves to r; 0 (rejected, nothing changes) otherwise.
int32_t puzzle_apply_draw(int32_t r);

// A touch at Canvas (x, y): starts a slide when it lands on an edge neighbour of the
// empty cell and nothing is moving or celebrating.
void puzzle_touch(int32_t x, int32_t y);

// Run once per frame while a slide is active: commits the slide once 100 ms of
// puzzle time have passed, then tests for the solved layout. Returns the puzzle
// time it read, which places the sliding tile when no commit happened.
uint32_t puzzle_move_complete();

// Tile 7 in cell 8, the empty cell in cell 7; every running slide or victory ends.
void puzzle_set_near_solved();

// puzzle_set_near_solved, then a shuffle from there.
void puzzle_reset();
