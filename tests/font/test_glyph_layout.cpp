// Laying glyphs out in the turned atlas, from glyph slots made by hand.
#include "glyph_slots.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Places glyph i from the slot and returns what it wrote to standard error.
std::string place(int glyph, const HandGlyph &g) {
    testing::internal::CaptureStderr();
    glyph_atlas_place(glyph, g.slot);
    return testing::internal::GetCapturedStderr();
}

void place_rest_empty(int from) {
    HandGlyph empty(0, 0, 0, 0, 0);
    for (int i = from; i < GLYPH_COUNT; ++i) {
        place(i, empty);
    }
    glyph_atlas_end();
}

int count_pixels(uint16_t value) {
    int n = 0;
    for (int i = 0; i < ATLAS_W * ATLAS_H; ++i) {
        n += glyph_atlas_pixels()[i] == value;
    }
    return n;
}

// A 22x36 glyph at pixel size 48, 2 pixels right of the pen, top 35 above the
// baseline, advance 27 pixels: the text line's first glyph, turned into the atlas.
TEST(GlyphLayout, FirstGlyphAtSize48) {
    glyph_atlas_begin(48);
    HandGlyph g(22, 36, 2, 35, 27, 0);
    g.set(0, 0, 255);   // top-left
    g.set(35, 0, 128);  // bottom-left
    g.set(0, 21, 64);   // top-right
    g.set(35, 21, 200); // bottom-right
    EXPECT_EQ(place(0, g), "x 2 y 13 x_max 24 y_max 49\n");
    EXPECT_EQ(atlas_at(2, 45), BLACK);
    EXPECT_EQ(atlas_at(2, 10), 0x7800);
    EXPECT_EQ(atlas_at(23, 45), 0xB800);
    EXPECT_EQ(atlas_at(23, 10), 0x3000);
    // Just outside the box: untouched red.
    EXPECT_EQ(atlas_at(1, 45), RED);
    EXPECT_EQ(atlas_at(24, 45), RED);
    EXPECT_EQ(atlas_at(2, 46), RED);
    EXPECT_EQ(atlas_at(2, 9), RED);
    EXPECT_EQ(count_pixels(RED), ATLAS_W * ATLAS_H - 4);
    place_rest_empty(1);
    AtlasMetrics m;
    EXPECT_EQ(m.offsets[0], 0);
    EXPECT_EQ(m.offsets[1], 27);
    EXPECT_EQ(m.widths[0], 27);
    EXPECT_EQ(m.height, 58);
}

TEST(GlyphLayout, PenAdvancesByWholePixelsRoundedDown) {
    glyph_atlas_begin(20);
    HandGlyph g(1, 1, 0, 0, 0);
    g.slot.advance.x = 10 * 64 + 63; // 10.98 pixels: 10
    place(0, g);
    g.slot.advance.x = -65; // -1.02 pixels: -2
    place(1, g);
    g.slot.advance.x = 64;
    g.slot.advance.y = 3 * 64; // a vertical advance moves the next box down
    place(2, g);
    g.slot.advance.y = 0;
    EXPECT_EQ(place(3, g), "x 9 y 23 x_max 10 y_max 24\n");
    place_rest_empty(4);
    AtlasMetrics m;
    EXPECT_EQ(m.offsets[1], 10);
    EXPECT_EQ(m.offsets[2], 8);
    EXPECT_EQ(m.offsets[3], 9);
    EXPECT_EQ(m.widths[1], -2);
    EXPECT_EQ(m.widths[10], 0);
}

// At 300 pixels each glyph advances past the 320 image rows after a few glyphs;
// its ink is dropped there but its position is still recorded.
TEST(GlyphLayout, GlyphsBeyondTheImageAreDroppedPositionsKept) {
    glyph_atlas_begin(300);
    HandGlyph g(40, 300, 0, 300, 300);
    for (int i = 0; i < GLYPH_COUNT; ++i) {
        place(i, g);
    }
    glyph_atlas_end();
    AtlasMetrics m;
    for (int i = 0; i < GLYPH_COUNT; ++i) {
        EXPECT_EQ(m.offsets[i], 300 * i);
        EXPECT_EQ(m.widths[i], 300);
    }
    EXPECT_EQ(m.height, 310);
    // Text rows y 0..299 map to columns 310..11; only y 71..239 (columns 239..71)
    // fit. Image rows: glyph 0 covers 0..39, glyph 1 only 300..319.
    EXPECT_EQ(atlas_at(0, 239), BLACK);
    EXPECT_EQ(atlas_at(39, 71), BLACK);
    EXPECT_EQ(atlas_at(39, 70), RED);
    EXPECT_EQ(atlas_at(40, 100), RED);
    EXPECT_EQ(atlas_at(300, 71), BLACK);
    EXPECT_EQ(atlas_at(319, 239), BLACK);
    EXPECT_EQ(count_pixels(BLACK), (40 + 20) * 169);
}

TEST(GlyphLayout, InkLeftOfThePenOverwritesThePreviousCell) {
    glyph_atlas_begin(48);
    HandGlyph first(10, 10, 0, 10, 10);
    place(0, first);
    HandGlyph second(10, 10, -3, 10, 10);
    for (unsigned r = 0; r < 10; ++r) {
        for (unsigned c = 0; c < 3; ++c) {
            second.set(r, c, 0);
        }
        second.set(r, 3, 128);
    }
    EXPECT_EQ(place(1, second), "x 7 y 38 x_max 17 y_max 48\n");
    // Box rows y 38..47 are columns 20..11.
    for (int column = 11; column <= 20; ++column) {
        EXPECT_EQ(atlas_at(6, column), BLACK) << column;
        EXPECT_EQ(atlas_at(7, column), RED) << column;
        EXPECT_EQ(atlas_at(9, column), RED) << column;
        EXPECT_EQ(atlas_at(10, column), 0x7800) << column;
        EXPECT_EQ(atlas_at(11, column), BLACK) << column;
        EXPECT_EQ(atlas_at(16, column), BLACK) << column;
    }
    EXPECT_EQ(count_pixels(BLACK), 7 * 10 + 6 * 10);
}

TEST(GlyphLayout, BoxesOffTheImageEdgesAreClipped) {
    glyph_atlas_begin(10);
    // Starts 5 image rows before row 0 and 5 text rows above y 0: text y -5..14
    // would be columns 25..6, and only y 0..14 (columns 20..6) are kept.
    HandGlyph g(10, 20, -5, 15, 0);
    EXPECT_EQ(place(0, g), "x -5 y -5 x_max 5 y_max 15\n");
    EXPECT_EQ(count_pixels(BLACK), 5 * 15);
    EXPECT_EQ(atlas_at(0, 20), BLACK);
    EXPECT_EQ(atlas_at(4, 6), BLACK);
    EXPECT_EQ(atlas_at(0, 21), RED);
    EXPECT_EQ(atlas_at(5, 10), RED);
    // A glyph at size 240 whose low rows would need columns beyond 239.
    glyph_atlas_begin(240);
    HandGlyph low(1, 10, 0, 5, 0);
    EXPECT_EQ(place(0, low), "x 0 y 235 x_max 1 y_max 245\n");
    // y 235..239 fit (columns 15..11); y 240..244 are beyond the 240 text rows.
    EXPECT_EQ(count_pixels(BLACK), 5);
    HandGlyph high(1, 15, 0, 250, 0);
    EXPECT_EQ(place(0, high), "x 0 y -10 x_max 1 y_max 5\n");
    // Text y -10..4 would be columns 260..246: beyond the row, none is kept.
    EXPECT_EQ(count_pixels(BLACK), 5);
}

TEST(GlyphLayout, MonoAndPaddedGrayBitmapsAreStoredByTheirLayout) {
    glyph_atlas_begin(20);
    // 10 x 2 MONO, rows 4 bytes apart: 1000000001 / 0100000010, padding all ones.
    std::vector<uint8_t> mono = {0x80, 0x40, 0xFF, 0xFF, 0x40, 0x80, 0xFF, 0xFF};
    HandGlyph g(0, 0, 0, 2, 12);
    g.slot.bitmap.pixel_mode = FT_PIXEL_MODE_MONO;
    g.slot.bitmap.num_grays = 2;
    g.slot.bitmap.width = 10;
    g.slot.bitmap.rows = 2;
    g.slot.bitmap.pitch = 4;
    g.slot.bitmap.buffer = mono.data();
    place(0, g);
    // Text rows y 18, 19 are columns 12, 11.
    EXPECT_EQ(atlas_at(0, 12), BLACK);
    EXPECT_EQ(atlas_at(9, 12), BLACK);
    EXPECT_EQ(atlas_at(1, 11), BLACK);
    EXPECT_EQ(atlas_at(8, 11), BLACK);
    EXPECT_EQ(count_pixels(BLACK), 4);
    // GRAY 3 x 2 with rows 8 bytes apart; the padding (0xFF) must not show.
    std::vector<uint8_t> gray = {0, 0, 128, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF};
    HandGlyph p(0, 0, 0, 2, 3);
    p.slot.bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
    p.slot.bitmap.width = 3;
    p.slot.bitmap.rows = 2;
    p.slot.bitmap.pitch = 8;
    p.slot.bitmap.buffer = gray.data();
    place(1, p);
    EXPECT_EQ(atlas_at(14, 12), 0x7800);
    EXPECT_EQ(count_pixels(BLACK), 4);
    EXPECT_EQ(count_pixels(0x7800), 1);
}

using GlyphLayoutDeathTest = testing::Test;

TEST_F(GlyphLayoutDeathTest, ColourBitmapEndsSilently) {
    glyph_atlas_begin(48);
    std::vector<uint8_t> bgra(4 * 4 * 4, 0x80);
    HandGlyph g(0, 0, 0, 4, 5);
    g.slot.bitmap.pixel_mode = FT_PIXEL_MODE_BGRA;
    g.slot.bitmap.width = 4;
    g.slot.bitmap.rows = 4;
    g.slot.bitmap.pitch = 16;
    g.slot.bitmap.buffer = bgra.data();
    EXPECT_EXIT(glyph_atlas_place(0, g.slot), testing::ExitedWithCode(1), "^$");
}

} // namespace
