#include "puzzle_support.h"

#include "app/time_base.h"

#include <cstdlib>
#include <utility>

namespace {

int64_t puzzle_base_ms;

int inversions(const PuzzleBoard &board) {
    int count = 0;
    for (int a = 0; a < 9; ++a) {
        for (int b = a + 1; b < 9; ++b) {
            int va = board.cells[a];
            int vb = board.cells[b];
            count += va != 8 && vb != 8 && va > vb;
        }
    }
    return count;
}

bool edge_or_same(int a, int b) {
    return abs(a / 3 - b / 3) + abs(a % 3 - b % 3) <= 1;
}

} // namespace

void restart_puzzle_clock() {
    int64_t step = test_board::hand_clock.step_per_read_ns;
    test_board::hand_clock.step_per_read_ns = 0;
    puzzle_base_ms = test_board::clock_ms();
    scene_mark_start(SCENE_PUZZLE);
    test_board::hand_clock.step_per_read_ns = step;
}

void set_puzzle_time(uint32_t ms) {
    test_board::clock_set_ms(puzzle_base_ms + ms);
}

PuzzleBoard reference_shuffle(PuzzleBoard board, uint32_t seed) {
    srand(seed);
    int accepted = 0;
    while (accepted < 1000) {
        int r = static_cast<int>(static_cast<double>(rand()) * 9 / 2147483647);
        if (r == 9 || !edge_or_same(r, board.hole)) {
            continue;
        }
        std::swap(board.cells[r], board.cells[board.hole]);
        board.hole = r;
        ++accepted;
    }
    return board;
}

bool is_permutation_with_hole(const PuzzleBoard &board) {
    bool seen[9] = {};
    for (int c = 0; c < 9; ++c) {
        int v = board.cells[c];
        if (v < 0 || v > 8 || seen[v]) {
            return false;
        }
        seen[v] = true;
    }
    return board.hole >= 0 && board.hole < 9 && board.cells[board.hole] == 8;
}

bool is_solvable(const PuzzleBoard &board) {
    return inversions(board) % 2 == 0;
}

void reset_puzzle(const PuzzleBoard &board) {
    puzzle_board = board;
    puzzle_state = PuzzleState();
}

PuzzleBoard solved_board() {
    return {8, {0, 1, 2, 3, 4, 5, 6, 7, 8}};
}
