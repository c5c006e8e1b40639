// The puzzle's constant tables.
#pragma once

#include <cstdint>

// [a][b]: 2 when a == b, 1 when cells a and b share an edge, 0 otherwise. Cell c
// lies in column c / 3 and row c % 3. The shuffle accepts any non-zero entry, a
// touch only an edge neighbour.
extern const int32_t puzzle_adjacency[9][9];

// One slide from solved: tile 7 in cell 8, the empty cell in cell 7.
extern const int32_t puzzle_near_solved_layout[9];
