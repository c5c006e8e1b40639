// The frame benchmark: renders every kind of frame the application shows, each
// many times between the markers that tools/icount counts, plus the floors a
// frame is compared with. For every region it prints, in order,
//   bench INDEX KEY reps N
// and tools/icount reports the counts of the same regions in the same order; a
// region's count divided by N is the cost of one call. Built for the board (a
// static ARM binary, run under qemu-arm) and for the PC (a quick run check).
//
// Usage: frame_bench [FONT.ttf]   (default: DejaVu Sans Condensed Bold, size 48)
#include "bench_world.h"
#include "icount_markers.h"
#include "still/still_board.h"

#include "app/time_base.h"
#include "assets/images.h"
#include "display/backgrounds.h"
#include "display/framebuffer.h"
#include "display/raster.h"
#include "display/slide.h"
#include "font/text_metrics.h"
#include "scenes/address/address_scene.h"
#include "scenes/address/wireframe.h"
#include "scenes/puzzle/puzzle_scene.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int FONT_PIXELS = 48;
// Thirteen characters, the longest address the default stick was sized for.
constexpr char ADDRESS[] = "192.168.1.230";
constexpr int FRAME_REPS = 8;

const char *font_path = IPSLIDE_DEFAULT_FONT;

struct Region {
    const char *key;
    int reps;
    void (*setup)();
    void (*run)();
    void (*teardown)();
};

void nothing() {}

// The present as the straightforward loop says it: a reference for fb_present.
__attribute__((noinline)) void plain_present() {
    uint16_t *fb = bench_screen();
    for (int y = 0; y < CANVAS_H; ++y) {
        for (int x = 0; x < CANVAS_W; ++x) {
            fb[(SCREEN_H - 1 - x) * SCREEN_W + y] = frame_canvas.px[y * CANVAS_W + x];
        }
    }
}

void render_scene0() {
    address_scene_render(scene_elapsed_ms(SCENE_ADDRESS), &frame_canvas);
}

void render_scene1() {
    puzzle_scene_render(scene_elapsed_ms(SCENE_PUZZLE), &frame_canvas);
}

// The order matters: the placeholder shows only until the address arrives, and
// the atlas and backgrounds must exist before any scene is drawn.
const Region REGIONS[] = {
    {"markers", FRAME_REPS, nothing, nothing, nothing},
    {"glyph_atlas_build", 1, still::stderr_off, [] { bench_build_atlas(font_path, FONT_PIXELS); },
     still::stderr_on},
    {"compose_backgrounds", 2, nothing, compose_backgrounds, nothing},
    {"floor_memcpy", FRAME_REPS, nothing,
     [] { memcpy(&frame_canvas, &scene_background[SCENE_PUZZLE], sizeof(Canvas)); }, nothing},
    {"floor_plain_present", FRAME_REPS, nothing, plain_present, nothing},
    {"fb_present", FRAME_REPS, nothing, fb_present, nothing},
    {"scene0_placeholder", FRAME_REPS, [] { bench_scene_at(SCENE_ADDRESS, 400); }, render_scene0,
     nothing},
    {"scene0_steady", FRAME_REPS,
     [] {
         bench_deliver_address(ADDRESS);
         bench_scene_at(SCENE_ADDRESS, 2000);
     },
     render_scene0, nothing},
    {"scene1_intro", FRAME_REPS, [] { bench_puzzle_still(1000); }, render_scene1, nothing},
    {"scene1_sliding", FRAME_REPS, [] { bench_puzzle_sliding(5000, 50); }, render_scene1, nothing},
    {"scene1_fade", FRAME_REPS, [] { bench_puzzle_fading(5000, 1000); }, render_scene1, nothing},
    {"slide_step", FRAME_REPS,
     [] {
         bench_puzzle_still(5000);
         slide_prepare();
         bench_set_clock_ms(slide_start_ms + 50);
     },
     [] { slide_step(0); }, nothing},
    {"blend_blit_tile_w128", FRAME_REPS, nothing,
     [] { blend_blit(&frame_canvas, 55, 85, img_puzzle_tiles, 48, 48, PUZZLE_TILES_W, 128); },
     nothing},
    {"blend_blit_tile_w256", FRAME_REPS, nothing,
     [] { blend_blit(&frame_canvas, 55, 85, img_puzzle_tiles, 48, 48, PUZZLE_TILES_W, 256); },
     nothing},
    {"blend_blit_strips_w204_w38", FRAME_REPS, nothing,
     [] {
         blend_blit(&frame_canvas, 217, 8, img_puzzle_strip_right, PUZZLE_STRIP_RIGHT_W,
                    PUZZLE_STRIP_RIGHT_H, PUZZLE_STRIP_RIGHT_W, 204);
         blend_blit(&frame_canvas, 19, 15, img_puzzle_strip_left, PUZZLE_STRIP_LEFT_W,
                    PUZZLE_STRIP_LEFT_H, PUZZLE_STRIP_LEFT_W, 38);
     },
     nothing},
    {"backing_square_w128", FRAME_REPS, nothing, [] { backing_square(&frame_canvas, 128); },
     nothing},
    {"backing_square_w256", FRAME_REPS, nothing, [] { backing_square(&frame_canvas, 256); },
     nothing},
    {"wireframe_draw", FRAME_REPS, nothing, [] { wireframe_draw(2000, &frame_canvas); }, nothing},
};

void measure(int index, const Region &region) {
    region.setup();
    printf("bench %d %s reps %d\n", index, region.key, region.reps);
    fflush(stdout);
    icount_begin();
    for (int i = 0; i < region.reps; ++i) {
        region.run();
    }
    icount_end();
    region.teardown();
}

} // namespace

int main(int argc, char **argv) {
    if (argc > 1) {
        font_path = argv[1];
    }
    bench_world_open();
    int index = 0;
    for (const Region &region : REGIONS) {
        measure(index++, region);
    }
    printf("bench address %s text_width %d text_height %d\n", ADDRESS, text_width, text_height);
    return 0;
}
