#include "font/text_metrics.h"

const uint16_t *atlas_pixels;
int32_t glyph_offsets[GLYPH_COUNT];
int32_t glyph_widths[GLYPH_COUNT];
int32_t glyph_height;
int32_t text_width;
int32_t text_height;

void text_measure(const char *text) {
    text_height = glyph_height;
    text_width = 0;
    for (const char *p = text; *p != '\0'; ++p) {
        text_width += glyph_widths[glyph_index(*p)];
    }
}
