// The puzzle put straight into the state one frame needs, without playing its way
// there: for the still renderer, the benchmarks and the tests. The program itself
// reaches these states only through touches, frames and the resets.
#pragma once

#include <cstdint>

// The board in the given layout (tile values 0..8, 8 the empty cell), ready: the
// next frame draws it instead of shuffling first.
void puzzle_place(const int32_t cells[9]);

// The board as it stands, ready.
void puzzle_mark_ready();

// A victory whose fanfare has already sounded, its fade begun at puzzle time ms.
void puzzle_victory_since(uint32_t ms);

// Whether the puzzle scene has been shown yet (the address scene's reveal differs).
void puzzle_mark_visited(int32_t visited);
