// The 3x3 sliding puzzle: board, move and victory state, shuffle, touch to move,
// move completion, and the two resets the address scene's corners offer.
#pragma once

#include <cstdint>

constexpr int32_t PUZZLE_HOLE = 8;
constexpr uint32_t MOVE_DURATION_MS = 100;
constexpr uint32_t VICTORY_FADE_MS = 2000;

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

extern PuzzleBoard puzzle_board;
extern PuzzleState puzzle_state;

void puzzle_shuffle();
void puzzle_touch(int32_t x, int32_t y);
void puzzle_set_near_solved();
void puzzle_reset();
