// Whole atlases rendered by FreeType from installed fonts: an outline font, and a
// font made only of 1-bit bitmap strikes.
#include "font_files.h"
#include "glyph_slots.h"

#include <gtest/gtest.h>

#include FT_BITMAP_H

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Box {
    int x, y, x_max, y_max;
};

// Builds the atlas and reads back the eleven box lines it wrote to standard error.
std::vector<Box> build(const char *name, const char *path) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(glyph_atlas_build(name, path), 0);
    std::istringstream lines(testing::internal::GetCapturedStderr());
    std::vector<Box> boxes;
    std::string line;
    while (std::getline(lines, line)) {
        Box b{};
        char tail = 0;
        EXPECT_EQ(sscanf(line.c_str(), "x %d y %d x_max %d y_max %d%c", &b.x, &b.y, &b.x_max,
                         &b.y_max, &tail),
                  4)
            << line;
        boxes.push_back(b);
    }
    return boxes;
}

bool inside(const Box &b, int pixel_size, int row, int column) {
    int y = pixel_size + 10 - column;
    return row >= b.x && row < b.x_max && y >= b.y && y < b.y_max;
}

TEST(RealFont, DejaVuBold48SitsOnColumn10InCells58Wide) {
    const int n = 48;
    std::vector<Box> boxes = build("concours-48.ttf", DEJAVU_BOLD);
    ASSERT_EQ(boxes.size(), 11u);
    AtlasMetrics m;
    EXPECT_EQ(m.height, 58);
    EXPECT_EQ(m.offsets[0], 0);
    for (int i = 0; i < GLYPH_COUNT; ++i) {
        EXPECT_GT(m.widths[i], 0) << i;
        // The lowest row of every box is the baseline row (column 10) or the one just
        // above it (column 11): digits and the point sit on the baseline.
        int bottom_column = n + 10 - (boxes[i].y_max - 1);
        EXPECT_TRUE(bottom_column == 10 || bottom_column == 11) << i << ": " << bottom_column;
        EXPECT_GE(boxes[i].x, m.offsets[i]) << i;
    }
    // Ink only within the cells' 58 columns and only inside the boxes written out;
    // nothing below the baseline column.
    int ink = 0;
    for (int row = 0; row < ATLAS_H; ++row) {
        for (int column = 0; column < ATLAS_W; ++column) {
            if (atlas_at(row, column) == RED) {
                continue;
            }
            ++ink;
            ASSERT_GE(column, 10) << row;
            ASSERT_LT(column, 58) << row;
            bool in_a_box = false;
            for (const Box &b : boxes) {
                in_a_box = in_a_box || inside(b, n, row, column);
            }
            ASSERT_TRUE(in_a_box) << row << "," << column;
        }
    }
    EXPECT_GT(ink, 0);
    // The flat foot of the 1 is solid black one column above the baseline column.
    int foot = 0;
    for (int row = m.offsets[1]; row < m.offsets[2]; ++row) {
        foot += atlas_at(row, 11) == BLACK;
        EXPECT_EQ(atlas_at(row, 10), RED) << row;
    }
    EXPECT_GT(foot, 10);
}

// Terminus has a 24-pixel strike: FreeType returns its glyphs as MONO rows two
// bytes apart for 12 pixels. The atlas must hold exactly the strike's bits, taken
// here from FreeType's own conversion of the same glyphs.
TEST(RealFont, BitmapStrikeIsStoredBitForBit) {
    const int n = 24;
    std::vector<Box> boxes = build("concours-24.ttf", TERMINUS_BOLD);
    ASSERT_EQ(boxes.size(), 11u);
    AtlasMetrics m;
    EXPECT_EQ(m.height, 34);

    FT_Library library;
    FT_Face face;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Face(library, TERMINUS_BOLD, 0, &face), 0);
    ASSERT_EQ(FT_Set_Pixel_Sizes(face, n, 0), 0);
    int black = 0;
    int expected_black = 0;
    for (int i = 0; i < GLYPH_COUNT; ++i) {
        ASSERT_EQ(FT_Load_Char(face, static_cast<unsigned char>(GLYPH_CHARS[i]), FT_LOAD_RENDER),
                  0);
        FT_GlyphSlot slot = face->glyph;
        ASSERT_EQ(slot->bitmap.pixel_mode, FT_PIXEL_MODE_MONO);
        ASSERT_GT(slot->bitmap.pitch * 8, static_cast<int>(slot->bitmap.width));
        FT_Bitmap bits;
        FT_Bitmap_Init(&bits);
        ASSERT_EQ(FT_Bitmap_Convert(library, &slot->bitmap, &bits, 1), 0);
        for (unsigned r = 0; r < bits.rows; ++r) {
            for (unsigned c = 0; c < bits.width; ++c) {
                bool set = bits.buffer[r * static_cast<unsigned>(bits.pitch) + c] != 0;
                expected_black += set;
                int row = m.offsets[i] + slot->bitmap_left + static_cast<int>(c);
                int column = 10 + slot->bitmap_top - static_cast<int>(r);
                EXPECT_EQ(atlas_at(row, column), set ? BLACK : RED)
                    << GLYPH_CHARS[i] << " at " << r << "," << c;
            }
        }
        FT_Bitmap_Done(library, &bits);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    for (int i = 0; i < ATLAS_W * ATLAS_H; ++i) {
        uint16_t px = glyph_atlas_pixels()[i];
        ASSERT_TRUE(px == RED || px == BLACK) << i;
        black += px == BLACK;
    }
    EXPECT_EQ(black, expected_black);
    EXPECT_GT(black, 0);
}

} // namespace
