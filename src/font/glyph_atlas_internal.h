// The layout steps of glyph_atlas_build, for the tests that lay out glyph slots
// made by hand, without a font file.
#pragma once

#include "font/glyph_atlas.h"

#include <cstdint>

// begin fills the atlas with red and puts the pen at 0; place lays out glyph
// `glyph` (0..10) from the slot at the pen, writes its box line to standard error
// and advances the pen (an unreadable bitmap ends the process with status 1); end
// records the pen after the last glyph.
struct FT_GlyphSlotRec_;
void glyph_atlas_begin(int32_t pixel_size);
void glyph_atlas_place(int glyph, const FT_GlyphSlotRec_ &slot);
void glyph_atlas_end();
