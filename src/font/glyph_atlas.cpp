#include "font/glyph_atlas.h"

namespace {
uint16_t atlas[ATLAS_W * ATLAS_H];
}

int glyph_index(char ch) {
    return ch >= '0' && ch <= '9' ? ch - '0' : 10;
}

// TEMPORARY: an empty atlas until FreeType renders the stick's font here.
int glyph_atlas_build(const char *, const char *) {
    return 0;
}

const uint16_t *glyph_atlas_pixels() {
    return atlas;
}

// TEMPORARY: zero metrics until the atlas is rendered.
void glyph_atlas_metrics(int32_t glyph_offsets[GLYPH_COUNT], int32_t glyph_widths[GLYPH_COUNT],
                         int32_t *glyph_height) {
    for (int i = 0; i < GLYPH_COUNT; ++i) {
        glyph_offsets[i] = 0;
        glyph_widths[i] = 0;
    }
    *glyph_height = 0;
}
