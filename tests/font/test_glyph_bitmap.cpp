// Reading coverage out of the bitmap layouts FreeType can hand back, checked
// against literal values and against FreeType's own converter.
#include "font/glyph_bitmap.h"

#include <gtest/gtest.h>

#include FT_BITMAP_H

#include <vector>

namespace {

FT_Bitmap make_bitmap(unsigned char mode, unsigned width, unsigned rows, int pitch,
                      std::vector<uint8_t> &bytes) {
    FT_Bitmap bitmap{};
    bitmap.pixel_mode = mode;
    bitmap.width = width;
    bitmap.rows = rows;
    bitmap.pitch = pitch;
    bitmap.buffer = bytes.data();
    return bitmap;
}

TEST(GlyphBitmap, GrayRowsArePitchApart) {
    // 3 wide, 2 rows, each row padded to 5 bytes; the padding is never coverage.
    std::vector<uint8_t> bytes = {10, 20, 30, 0xEE, 0xEE, 40, 50, 60, 0xEE, 0xEE};
    FT_Bitmap bitmap = make_bitmap(FT_PIXEL_MODE_GRAY, 3, 2, 5, bytes);
    EXPECT_EQ(glyph_bitmap_coverage(bitmap, 0, 0), 10);
    EXPECT_EQ(glyph_bitmap_coverage(bitmap, 0, 2), 30);
    EXPECT_EQ(glyph_bitmap_coverage(bitmap, 1, 0), 40);
    EXPECT_EQ(glyph_bitmap_coverage(bitmap, 1, 2), 60);
}

TEST(GlyphBitmap, NegativePitchStoresTheBottomRowFirst) {
    std::vector<uint8_t> bytes = {40, 50, 60, 0xEE, 10, 20, 30, 0xEE};
    FT_Bitmap bitmap = make_bitmap(FT_PIXEL_MODE_GRAY, 3, 2, -4, bytes);
    EXPECT_EQ(glyph_bitmap_coverage(bitmap, 0, 0), 10);
    EXPECT_EQ(glyph_bitmap_coverage(bitmap, 0, 2), 30);
    EXPECT_EQ(glyph_bitmap_coverage(bitmap, 1, 1), 50);
}

TEST(GlyphBitmap, PackedPixelsAreMostSignificantFirstAndScaledToFull) {
    // MONO: 10 pixels 1011000001 in a 2-byte row, padded to 3 bytes.
    std::vector<uint8_t> mono = {0xB0, 0x40, 0xFF};
    FT_Bitmap m = make_bitmap(FT_PIXEL_MODE_MONO, 10, 1, 3, mono);
    const uint8_t mono_expected[10] = {255, 0, 255, 255, 0, 0, 0, 0, 0, 255};
    for (uint32_t c = 0; c < 10; ++c) {
        EXPECT_EQ(glyph_bitmap_coverage(m, 0, c), mono_expected[c]) << "column " << c;
    }
    // GRAY2: levels 3 2 1 0 | 1.
    std::vector<uint8_t> gray2 = {0xE4, 0x40};
    FT_Bitmap g2 = make_bitmap(FT_PIXEL_MODE_GRAY2, 5, 1, 2, gray2);
    const uint8_t gray2_expected[5] = {255, 170, 85, 0, 85};
    for (uint32_t c = 0; c < 5; ++c) {
        EXPECT_EQ(glyph_bitmap_coverage(g2, 0, c), gray2_expected[c]) << "column " << c;
    }
    // GRAY4: levels 15 8 | 1.
    std::vector<uint8_t> gray4 = {0xF8, 0x10};
    FT_Bitmap g4 = make_bitmap(FT_PIXEL_MODE_GRAY4, 3, 1, 2, gray4);
    EXPECT_EQ(glyph_bitmap_coverage(g4, 0, 0), 255);
    EXPECT_EQ(glyph_bitmap_coverage(g4, 0, 1), 136);
    EXPECT_EQ(glyph_bitmap_coverage(g4, 0, 2), 17);
}

struct Layout {
    unsigned char mode;
    unsigned width;
    int pitch;
};

// Every layout against FreeType's converter, which turns any of them into one byte
// a pixel, top row first, at levels 0 .. num_grays - 1.
TEST(GlyphBitmap, AgreesWithFreeTypeConversionOnEveryLayout) {
    FT_Library library;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    const Layout layouts[] = {
        {FT_PIXEL_MODE_GRAY, 7, 7},   {FT_PIXEL_MODE_GRAY, 7, 12},  {FT_PIXEL_MODE_GRAY, 7, -9},
        {FT_PIXEL_MODE_MONO, 13, 2},  {FT_PIXEL_MODE_MONO, 13, 4},  {FT_PIXEL_MODE_MONO, 13, -3},
        {FT_PIXEL_MODE_GRAY2, 9, 3},  {FT_PIXEL_MODE_GRAY2, 9, -4}, {FT_PIXEL_MODE_GRAY4, 9, 5},
        {FT_PIXEL_MODE_GRAY4, 9, -6},
    };
    const unsigned rows = 5;
    uint32_t seed = 12345;
    for (const Layout &l : layouts) {
        std::vector<uint8_t> bytes(static_cast<size_t>(std::abs(l.pitch)) * rows);
        for (uint8_t &b : bytes) {
            seed = seed * 1103515245u + 12345u;
            b = static_cast<uint8_t>(seed >> 16);
        }
        FT_Bitmap source = make_bitmap(l.mode, l.width, rows, l.pitch, bytes);
        source.num_grays = l.mode == FT_PIXEL_MODE_MONO    ? 2
                           : l.mode == FT_PIXEL_MODE_GRAY2 ? 4
                           : l.mode == FT_PIXEL_MODE_GRAY4 ? 16
                                                           : 256;
        FT_Bitmap converted;
        FT_Bitmap_Init(&converted);
        ASSERT_EQ(FT_Bitmap_Convert(library, &source, &converted, 1), 0);
        ASSERT_TRUE(glyph_bitmap_readable(source));
        unsigned max = source.num_grays - 1u;
        for (uint32_t r = 0; r < rows; ++r) {
            for (uint32_t c = 0; c < l.width; ++c) {
                unsigned level = converted.buffer[r * static_cast<unsigned>(converted.pitch) + c];
                EXPECT_EQ(glyph_bitmap_coverage(source, r, c), level * 255 / max)
                    << "mode " << int(l.mode) << " pitch " << l.pitch << " at " << r << "," << c;
            }
        }
        FT_Bitmap_Done(library, &converted);
    }
    FT_Done_FreeType(library);
}

TEST(GlyphBitmap, ColourAndSubpixelModesAreNotCoverage) {
    std::vector<uint8_t> bytes(64);
    const unsigned char refused[] = {FT_PIXEL_MODE_NONE, FT_PIXEL_MODE_LCD, FT_PIXEL_MODE_LCD_V,
                                     FT_PIXEL_MODE_BGRA};
    for (unsigned char mode : refused) {
        EXPECT_FALSE(glyph_bitmap_readable(make_bitmap(mode, 2, 2, 8, bytes))) << int(mode);
        // Nothing to read in an empty bitmap, whatever its mode.
        EXPECT_TRUE(glyph_bitmap_readable(make_bitmap(mode, 0, 0, 0, bytes))) << int(mode);
        EXPECT_TRUE(glyph_bitmap_readable(make_bitmap(mode, 3, 0, 8, bytes))) << int(mode);
    }
}

} // namespace
