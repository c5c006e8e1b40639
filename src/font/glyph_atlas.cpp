#include "font/glyph_atlas_internal.h"

#include "font/font_name.h"
#include "font/freetype_calls.h"
#include "font/glyph_bitmap.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr uint16_t ATLAS_RED = 0xF800;
// Text row y is stored in column pixel_size + BASELINE_COLUMN - y: the baseline
// (y = pixel_size) lands in column 10, leaving columns 0..9 for descent.
constexpr int32_t BASELINE_COLUMN = 10;

uint16_t atlas[ATLAS_W * ATLAS_H];
int32_t pixel_size;
int32_t glyph_start[GLYPH_COUNT + 1];
// Whole pixels along and across the line. Kept wide: a hostile font may hand out
// advances whose sum no longer fits 32 bits.
int64_t pen_x;
int64_t pen_y;

// Only the red field carries the glyph: black ink on a red band, no blending.
uint16_t coverage_pixel(uint8_t coverage) {
    return static_cast<uint16_t>(((255 - coverage) & 0xF8) << 8);
}

// Stores the bitmap whose top-left pixel sits at text point (x0, y0). Only the
// part that lands in the image is visited: x within 0..319 (the image rows), y
// within 0..239 and its column pixel_size + 10 - y within 0..239.
void store_bitmap(const FT_Bitmap &bitmap, int64_t x0, int64_t y0) {
    int64_t column_of_y0 = pixel_size + BASELINE_COLUMN;
    int64_t y_low = std::max<int64_t>(0, column_of_y0 - (ATLAS_W - 1));
    int64_t y_high = std::min<int64_t>(ATLAS_W - 1, column_of_y0);
    int64_t r_first = std::max<int64_t>(0, y_low - y0);
    int64_t r_end = std::min<int64_t>(bitmap.rows, y_high - y0 + 1);
    int64_t c_first = std::max<int64_t>(0, -x0);
    int64_t c_end = std::min<int64_t>(bitmap.width, ATLAS_H - x0);
    for (int64_t r = r_first; r < r_end; ++r) {
        int64_t column = column_of_y0 - (y0 + r);
        for (int64_t c = c_first; c < c_end; ++c) {
            uint8_t coverage =
                glyph_bitmap_coverage(bitmap, static_cast<uint32_t>(r), static_cast<uint32_t>(c));
            atlas[(x0 + c) * ATLAS_W + column] = coverage_pixel(coverage);
        }
    }
}

[[noreturn]] void fail() {
    exit(1);
}

} // namespace

int glyph_index(char ch) {
    return ch >= '0' && ch <= '9' ? ch - '0' : 10;
}

void glyph_atlas_begin(int32_t size) {
    std::fill(atlas, atlas + ATLAS_W * ATLAS_H, ATLAS_RED);
    pixel_size = size;
    pen_x = 0;
    pen_y = 0;
}

void glyph_atlas_place(int glyph, const FT_GlyphSlotRec &slot) {
    glyph_start[glyph] = static_cast<int32_t>(pen_x);
    const FT_Bitmap &bitmap = slot.bitmap;
    if (!glyph_bitmap_readable(bitmap)) {
        fail();
    }
    int64_t x0 = pen_x + slot.bitmap_left;
    int64_t y0 = pixel_size + pen_y - slot.bitmap_top;
    int64_t x1 = x0 + bitmap.width;
    int64_t y1 = y0 + bitmap.rows;
    fprintf(stderr, "x %d y %d x_max %d y_max %d\n", static_cast<int>(x0), static_cast<int>(y0),
            static_cast<int>(x1), static_cast<int>(y1));
    store_bitmap(bitmap, x0, y0);
    // 26.6 fixed point to whole pixels; >> on a negative value rounds toward -inf.
    pen_x += slot.advance.x >> 6;
    pen_y += slot.advance.y >> 6;
}

void glyph_atlas_end() {
    glyph_start[GLYPH_COUNT] = static_cast<int32_t>(pen_x);
}

int glyph_atlas_build(const char *file_name, const char *path) {
    int32_t size = font_name_pixel_size(file_name);
    if (size == 0) {
        fail();
    }
    glyph_atlas_begin(size);
    FT_Library library;
    FT_Face face;
    if (freetype.init_freetype(&library) != 0 || freetype.new_face(library, path, 0, &face) != 0 ||
        freetype.set_pixel_sizes(face, static_cast<FT_UInt>(size), 0) != 0) {
        fail();
    }
    for (int i = 0; i < GLYPH_COUNT; ++i) {
        FT_ULong ch = static_cast<unsigned char>(GLYPH_CHARS[i]);
        if (freetype.load_char(face, ch, FT_LOAD_RENDER) != 0) {
            fail();
        }
        glyph_atlas_place(i, *face->glyph);
    }
    glyph_atlas_end();
    if (freetype.done_face(face) != 0 || freetype.done_freetype(library) != 0) {
        fail();
    }
    return 0;
}

const uint16_t *glyph_atlas_pixels() {
    return atlas;
}

void glyph_atlas_metrics(int32_t glyph_offsets[GLYPH_COUNT], int32_t glyph_widths[GLYPH_COUNT],
                         int32_t *glyph_height) {
    for (int i = 0; i < GLYPH_COUNT; ++i) {
        glyph_offsets[i] = glyph_start[i];
        glyph_widths[i] =
            static_cast<int32_t>(static_cast<int64_t>(glyph_start[i + 1]) - glyph_start[i]);
    }
    *glyph_height = pixel_size + BASELINE_COLUMN;
}
