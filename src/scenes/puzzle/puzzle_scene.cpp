#include "scenes/puzzle/puzzle_scene.h"

#include "app/time_base.h"
#include "assets/images.h"
#include "display/backgrounds.h"
#include "display/raster.h"
#include "scenes/puzzle/buzzer.h"
#include "scenes/puzzle/puzzle_board.h"
#include "scenes/puzzle/puzzle_internal.h"

#include <cstdint>
#include <cstring>

int32_t puzzle_visited;

namespace {

// Sheet corner of tile value v, which is also cell v's place relative to the grid.
int32_t home_x(int32_t v) {
    return 2 * TILE_SIZE - TILE_SIZE * (v / 3);
}
int32_t home_y(int32_t v) {
    return TILE_SIZE * (v % 3);
}

// A point on the way from one grid offset to another, d ms into the slide; the
// product comes before the division and the sum is truncated toward zero.
int32_t slide_offset(int32_t from, int32_t to, uint32_t d) {
    return static_cast<int32_t>(from + static_cast<double>(to - from) * d / MOVE_DURATION_MS);
}

void draw_strip(Canvas *canvas, int32_t weight, int32_t x, int32_t y, const uint16_t *image,
                int32_t width, int32_t height) {
    if (weight >= 0) {
        blend_blit(canvas, x, y, image, width, height, width, weight);
    }
}

bool is_sliding_cell(int32_t i) {
    return puzzle_state.move_active && i / 3 == puzzle_state.move_tile_col &&
           i % 3 == puzzle_state.move_tile_row;
}

// now: the puzzle time the move completion read; it places the sliding tile.
void draw_tiles(Canvas *canvas, int32_t w, uint32_t now) {
    for (int32_t i = 0; i < 9; ++i) {
        int32_t v = puzzle_board.cells[i];
        if (v == PUZZLE_HOLE) {
            continue;
        }
        int32_t dx = home_x(i);
        int32_t dy = home_y(i);
        if (is_sliding_cell(i)) {
            uint32_t d = now - puzzle_state.move_start_ms;
            int32_t hole = 3 * puzzle_state.move_hole_col + puzzle_state.move_hole_row;
            dx = slide_offset(dx, home_x(hole), d);
            dy = slide_offset(dy, home_y(hole), d);
        }
        const uint16_t *picture = img_puzzle_tiles + home_y(v) * PUZZLE_TILES_W + home_x(v);
        blend_blit(canvas, GRID_LEFT + dx, GRID_TOP + dy, picture, TILE_SIZE, TILE_SIZE,
                   PUZZLE_TILES_W, w);
    }
}

// Plays the fanfare once per victory, then the fade clock runs from the end of the
// sound. Returns the board's weight for this frame, or -1 once the fade is over.
int32_t victory_weight() {
    if (!puzzle_state.victory_sound_played) {
        buzzer_play();
        puzzle_state.victory_sound_played = 1;
        puzzle_state.victory_start_ms = scene_elapsed_ms(SCENE_PUZZLE);
    }
    uint32_t dt = scene_elapsed_ms(SCENE_PUZZLE) - puzzle_state.victory_start_ms;
    if (dt >= VICTORY_FADE_MS) {
        puzzle_state.victory_active = 0;
        puzzle_state.victory_done = 1;
        return -1;
    }
    return victory_fade_weight(dt);
}

// Two pixels of one value, written as one 32-bit word (may_alias: the Canvas is
// uint16_t memory).
typedef uint32_t __attribute__((may_alias)) PixelPair;

// n pixels of one value from p on: a first pixel alone when p is not on a word,
// then whole words, four per turn, then a last pixel alone.
void fill_span(uint16_t *p, int32_t n, uint16_t value) {
    if (reinterpret_cast<uintptr_t>(p) & 2) {
        *p++ = value;
        --n;
    }
    PixelPair *pairs = reinterpret_cast<PixelPair *>(p);
    uint32_t two = value | static_cast<uint32_t>(value) << 16;
    for (int32_t quads = n >> 3; quads > 0; --quads) {
        pairs[0] = two;
        pairs[1] = two;
        pairs[2] = two;
        pairs[3] = two;
        pairs += 4;
    }
    for (int32_t rest = (n >> 1) & 3; rest > 0; --rest) {
        *pairs++ = two;
    }
    if (n & 1) {
        *reinterpret_cast<uint16_t *>(pairs) = value;
    }
}

// One pixel blended with the backing colour as a whole 16-bit value; colour is
// the colour already multiplied by the weight.
[[gnu::always_inline]] inline void fade_pixel(uint16_t *&p, uint32_t keep, uint32_t colour) {
    *p = static_cast<uint16_t>((keep * *p + colour) >> 8);
    ++p;
}

// n pixels from p on, eight per turn.
void fade_span(uint16_t *p, int32_t n, uint32_t keep, uint32_t colour) {
    for (int32_t eights = n >> 3; eights > 0; --eights) {
#pragma GCC unroll 8
        for (int i = 0; i < 8; ++i) {
            fade_pixel(p, keep, colour);
        }
    }
    for (int32_t rest = n & 7; rest > 0; --rest) {
        fade_pixel(p, keep, colour);
    }
}

} // namespace

int32_t strip_weight(uint32_t e, uint32_t start_ms, uint32_t fade_ms) {
    if (e < start_ms) {
        return -1;
    }
    if (e >= start_ms + fade_ms) {
        return 256;
    }
    return static_cast<int32_t>(static_cast<double>(e - start_ms) * 256.0 / fade_ms);
}

int32_t victory_fade_weight(uint32_t dt) {
    return static_cast<int32_t>(256.0 - 256.0 * dt / VICTORY_FADE_MS);
}

// The square is 154 x 154 pixels of every board frame. At w = 256 each pixel
// becomes BACKING_COLOUR exactly ((0 p + 256 c) >> 8 = c): the first row is
// filled a word at a time and copied into the others (the block copy moves eight
// words per step, more than a loop of stores can). At w = 0 each pixel keeps its
// value ((256 p) >> 8 = p). In between: one multiply-accumulate and one shift.
void backing_square(Canvas *canvas, int32_t w) {
    uint16_t *row = canvas->px + BACKING_Y * CANVAS_W + BACKING_X;
    uint16_t *const rows_end = row + BACKING_SIZE * CANVAS_W;
    if (w == 256) {
        fill_span(row, BACKING_SIZE, BACKING_COLOUR);
        for (uint16_t *next = row + CANVAS_W; next != rows_end; next += CANVAS_W) {
            memcpy(next, row, BACKING_SIZE * sizeof(uint16_t));
        }
        return;
    }
    if (w == 0) {
        return;
    }
    uint32_t weight = static_cast<uint32_t>(w);
    uint32_t keep = 256u - weight;
    uint32_t colour = weight * BACKING_COLOUR;
    for (; row != rows_end; row += CANVAS_W) {
        fade_span(row, BACKING_SIZE, keep, colour);
    }
}

int puzzle_board_render(Canvas *canvas) {
    if (!puzzle_state.board_ready) {
        puzzle_shuffle();
        puzzle_state.board_ready = 1;
    }
    if (puzzle_state.victory_done) {
        return 0;
    }
    int32_t w = 256;
    if (puzzle_state.victory_active) {
        w = victory_weight();
        if (w < 0) {
            return 0;
        }
    }
    backing_square(canvas, w);
    uint32_t now = 0;
    if (puzzle_state.move_active) {
        now = puzzle_move_complete();
    }
    draw_tiles(canvas, w, now);
    return puzzle_state.move_active || puzzle_state.victory_active ? 1 : 0;
}

int puzzle_scene_render(uint32_t e, Canvas *canvas) {
    puzzle_visited = 1;
    memcpy(canvas, &scene_background[SCENE_PUZZLE], sizeof(Canvas));
    draw_strip(canvas, strip_weight(e, RIGHT_STRIP_START_MS, RIGHT_STRIP_FADE_MS), RIGHT_STRIP_X,
               RIGHT_STRIP_Y, img_puzzle_strip_right, PUZZLE_STRIP_RIGHT_W, PUZZLE_STRIP_RIGHT_H);
    draw_strip(canvas, strip_weight(e, LEFT_STRIP_START_MS, LEFT_STRIP_FADE_MS), LEFT_STRIP_X,
               LEFT_STRIP_Y, img_puzzle_strip_left, PUZZLE_STRIP_LEFT_W, PUZZLE_STRIP_LEFT_H);
    int busy = puzzle_board_render(canvas);
    return e >= INTRO_END_MS && busy == 0 ? 1 : 0;
}

void puzzle_mark_visited(int32_t visited) {
    puzzle_visited = visited;
}
