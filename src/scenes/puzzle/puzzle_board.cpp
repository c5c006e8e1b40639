#include "scenes/puzzle/puzzle_board.h"

PuzzleBoard puzzle_board = {8, {0, 1, 2, 3, 4, 5, 6, 7, 8}};
PuzzleState puzzle_state;

// TEMPORARY: the board stays solved until the puzzle model lands.
void puzzle_shuffle() {}

// TEMPORARY: touches are ignored until the puzzle model lands.
void puzzle_touch(int32_t, int32_t) {}

// TEMPORARY: no-op until the puzzle model lands.
void puzzle_set_near_solved() {}

// TEMPORARY: no-op until the puzzle model lands.
void puzzle_reset() {}
