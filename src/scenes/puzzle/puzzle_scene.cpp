#include "scenes/puzzle/puzzle_scene.h"

#include "app/time_base.h"
#include "assets/images.h"
#include "display/backgrounds.h"
#include "display/raster.h"
#include "scenes/puzzle/buzzer.h"
#include "scenes/puzzle/puzzle_board.h"

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

void backing_square(Canvas *canvas, int32_t w) {
    uint32_t weight = static_cast<uint32_t>(w);
    uint32_t keep = 256u - weight;
    uint32_t colour = weight * BACKING_COLOUR;
    for (int32_t y = BACKING_Y; y < BACKING_Y + BACKING_SIZE; ++y) {
        uint16_t *row = canvas->px + y * CANVAS_W;
        for (int32_t x = BACKING_X; x < BACKING_X + BACKING_SIZE; ++x) {
            row[x] = static_cast<uint16_t>((keep * row[x] + colour) >> 8);
        }
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
