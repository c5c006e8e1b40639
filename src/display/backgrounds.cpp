#include "display/backgrounds.h"

#include "font/text_metrics.h"

Canvas scene_background[2];

// TEMPORARY: flat colours until the embedded pictures are composed here.
void compose_backgrounds() {
    for (int i = 0; i < CANVAS_PIXELS; ++i) {
        scene_background[SCENE_ADDRESS].px[i] = 0x1A7F;
        scene_background[SCENE_PUZZLE].px[i] = 0xC3A0;
    }
    atlas_pixels = glyph_atlas_pixels();
    glyph_atlas_metrics(glyph_offsets, glyph_widths, &glyph_height);
}
