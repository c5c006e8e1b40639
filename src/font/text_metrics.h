// The atlas as the address scene sees it (handed over at start-up by the
// background composition) and the measured extent of the received address.
#pragma once

#include "font/glyph_atlas.h"

#include <cstdint>

extern const uint16_t *atlas_pixels;
extern int32_t glyph_offsets[GLYPH_COUNT];
extern int32_t glyph_widths[GLYPH_COUNT];
extern int32_t glyph_height;

// Set by text_measure: the cell size across the line, and the sum of the advances.
extern int32_t text_width;
extern int32_t text_height;

void text_measure(const char *text);
