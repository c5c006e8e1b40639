#include "display/slide.h"

#include "app/time_base.h"
#include "display/framebuffer.h"
#include "scenes/address/address_scene.h"
#include "scenes/puzzle/puzzle_scene.h"

#include <cstring>

// Word-aligned like frame_canvas, so each frame's two row copies run on whole words.
alignas(8) Canvas slide_snapshot[2];
uint32_t slide_start_ms;

namespace {

constexpr size_t ROW_BYTES = CANVAS_W * sizeof(uint16_t);

// Rows of the puzzle scene on screen after t ms: 1 at the start, 319 at the end. The
// factor 318 (not 320) keeps both scenes visible in every frame of the slide.
int32_t slide_rows(uint32_t t) {
    return static_cast<int32_t>(static_cast<double>(t) * 318 / 100 + 1);
}

} // namespace

// The renders run exactly as regular frames do (the puzzle advances here too).
void slide_prepare() {
    address_scene_render(scene_elapsed_ms(SCENE_ADDRESS), &slide_snapshot[SCENE_ADDRESS]);
    puzzle_scene_render(scene_elapsed_ms(SCENE_PUZZLE), &slide_snapshot[SCENE_PUZZLE]);
    slide_start_ms = now_ms();
}

// Scene 0 moved up by k rows with the top k rows of scene 1 beneath it.
int slide_step(int direction) {
    uint32_t t = now_ms() - slide_start_ms;
    if (t > SLIDE_DURATION_MS) {
        return 0;
    }
    int32_t k = slide_rows(t);
    if (direction == 1) {
        k = CANVAS_H - k;
    }
    memcpy(frame_canvas.px, slide_snapshot[SCENE_ADDRESS].px + k * CANVAS_W,
           static_cast<size_t>(CANVAS_H - k) * ROW_BYTES);
    memcpy(frame_canvas.px + (CANVAS_H - k) * CANVAS_W, slide_snapshot[SCENE_PUZZLE].px,
           static_cast<size_t>(k) * ROW_BYTES);
    return 1;
}
