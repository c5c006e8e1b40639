#include "bench_world.h"

#include "app/time_base.h"
#include "display/backgrounds.h"
#include "display/framebuffer.h"
#include "font/glyph_atlas.h"
#include "platform/platform.h"
#include "scenes/puzzle/puzzle_board.h"
#include "scenes/puzzle/puzzle_internal.h"
#include "scenes/puzzle/puzzle_scene.h"
#include "still/still_board.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Makes the puzzle's own state machine start a slide of the tile in cell 8.
void start_last_tile_slide() {
    puzzle_set_near_solved();
    puzzle_mark_ready();
    puzzle_touch(55 + 24, 181 + 24);
    if (!puzzle_state.move_active) {
        fprintf(stderr, "bench: the puzzle did not start the slide\n");
        exit(1);
    }
}

} // namespace

void bench_world_open() {
    still::clock_install(1000000);
    still::screen_install();
    fb_open();
    time_base_init();
}

void bench_set_clock_ms(uint32_t ms) {
    still::clock_set_ms(ms);
}

void bench_scene_at(int scene, uint32_t elapsed_ms) {
    scene_mark_start(scene);
    still::clock_advance_ms(elapsed_ms);
}

uint16_t *bench_screen() {
    return still::screen();
}

void bench_build_atlas(const char *path, int pixel_size) {
    char name[32];
    snprintf(name, sizeof name, "concours-%d.ttf", pixel_size);
    glyph_atlas_build(name, path);
}

void bench_deliver_address(const char *text) {
    if (!still::deliver_address(text, strlen(text))) {
        fprintf(stderr, "bench: the address did not arrive\n");
        exit(1);
    }
}

void bench_puzzle_still(uint32_t e) {
    puzzle_set_near_solved();
    puzzle_mark_ready();
    bench_scene_at(1, e);
}

void bench_puzzle_sliding(uint32_t e, uint32_t d) {
    bench_scene_at(1, e - d);
    start_last_tile_slide();
    still::clock_advance_ms(d);
}

// The winning move is committed by a render, as in play; the sound is then marked
// as played so the measured frames show the fade alone.
void bench_puzzle_fading(uint32_t e, uint32_t dt) {
    bench_puzzle_sliding(e - dt, MOVE_DURATION_MS);
    static Canvas scratch;
    puzzle_scene_render(e - dt, &scratch);
    if (!puzzle_state.victory_active) {
        fprintf(stderr, "bench: the last slide did not win\n");
        exit(1);
    }
    puzzle_victory_since(scene_elapsed_ms(1));
    still::clock_advance_ms(dt);
}
