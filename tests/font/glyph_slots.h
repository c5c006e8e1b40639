// Glyph slots made by hand, as FT_Load_Char would leave them, and a view of the
// atlas by image row and column.
#pragma once

#include "font/glyph_atlas_internal.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <vector>

struct HandGlyph {
    std::vector<uint8_t> coverage; // 8-bit grey, packed rows (pitch = width)
    FT_GlyphSlotRec slot{};

    // A width x rows box of one coverage value; advance in whole pixels.
    HandGlyph(unsigned width, unsigned rows, int left, int top, long advance_px,
              uint8_t value = 255)
        : coverage(static_cast<size_t>(width) * rows, value) {
        slot.bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
        slot.bitmap.num_grays = 256;
        slot.bitmap.width = width;
        slot.bitmap.rows = rows;
        slot.bitmap.pitch = static_cast<int>(width);
        slot.bitmap.buffer = coverage.data();
        slot.bitmap_left = left;
        slot.bitmap_top = top;
        slot.advance.x = advance_px * 64;
    }
    void set(unsigned row, unsigned column, uint8_t value) {
        coverage[row * slot.bitmap.width + column] = value;
    }
};

struct AtlasMetrics {
    int32_t offsets[GLYPH_COUNT];
    int32_t widths[GLYPH_COUNT];
    int32_t height;
    AtlasMetrics() { glyph_atlas_metrics(offsets, widths, &height); }
};

inline uint16_t atlas_at(int row, int column) {
    return glyph_atlas_pixels()[row * ATLAS_W + column];
}

constexpr uint16_t RED = 0xF800;
constexpr uint16_t BLACK = 0x0000;
