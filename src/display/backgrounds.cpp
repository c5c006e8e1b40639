#include "display/backgrounds.h"

#include "assets/images.h"
#include "display/raster.h"
#include "font/text_metrics.h"

#include <cstdint>
#include <cstring>

// Word-aligned, so that a doubled pixel can be written as one 32-bit word.
alignas(8) Canvas scene_background[2];

namespace {

// Two equal pixels of a Canvas row as one word (may_alias: it is uint16_t memory).
typedef uint32_t __attribute__((may_alias)) PixelPair;

// The backgrounds are stored at half resolution: every source pixel becomes a 2x2
// block, without filtering. Each source row makes one Canvas row, a word per
// source pixel, and that row is copied once below itself.
void double_into(Canvas *canvas, const uint16_t *half) {
    uint16_t *row = canvas->px;
    for (int y = 0; y < BACKGROUND_H; ++y) {
        PixelPair *pairs = reinterpret_cast<PixelPair *>(row);
        for (int x = 0; x < BACKGROUND_W; ++x) {
            uint32_t pixel = *half++;
            *pairs++ = pixel | pixel << 16;
        }
        memcpy(row + CANVAS_W, row, CANVAS_W * sizeof(uint16_t));
        row += 2 * CANVAS_W;
    }
}

} // namespace

void compose_backgrounds() {
    Canvas *address = &scene_background[SCENE_ADDRESS];
    double_into(address, img_background_0);
    blend_blit(address, 0, 247, img_switch_tab_0, SWITCH_TAB_W, SWITCH_TAB_H, SWITCH_TAB_W, 256);
    blend_blit(address, 0, 0, img_overlay_top_left, OVERLAY_TOP_LEFT_W, OVERLAY_TOP_LEFT_H,
               OVERLAY_TOP_LEFT_W, 256);
    blend_blit(address, 205, 0, img_overlay_top_right, OVERLAY_TOP_RIGHT_W, OVERLAY_TOP_RIGHT_H,
               OVERLAY_TOP_RIGHT_W, 256);
    Canvas *puzzle = &scene_background[SCENE_PUZZLE];
    double_into(puzzle, img_background_1);
    blend_blit(puzzle, 0, 247, img_switch_tab_1, SWITCH_TAB_W, SWITCH_TAB_H, SWITCH_TAB_W, 256);
    atlas_pixels = glyph_atlas_pixels();
    glyph_atlas_metrics(glyph_offsets, glyph_widths, &glyph_height);
}
