// What the puzzle tests share beside the test board: the puzzle's own clock
// moved by hand, and boards worked out from the rules alone.
#pragma once

#include "scenes/puzzle/puzzle_board.h"
#include "support/test_board.h"

#include <cstdint>

// Puzzle time (scene 1's clock) starts at 0 now.
void restart_puzzle_clock();
void set_puzzle_time(uint32_t ms); // moves the hand clock so puzzle time reads ms

// The board from any start after the shuffle seeded with `seed`, computed here from
// the rules alone: 1000 accepted draws of trunc(rand() * 9 / 2147483647).
PuzzleBoard reference_shuffle(PuzzleBoard start, uint32_t seed);

bool is_permutation_with_hole(const PuzzleBoard &board);

// Even number of inversions among the eight tiles: reachable from solved.
bool is_solvable(const PuzzleBoard &board);

void reset_puzzle(const PuzzleBoard &board);
PuzzleBoard solved_board();
