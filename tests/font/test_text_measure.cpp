// Measuring a text with the handed-over glyph metrics.
#include "font/text_metrics.h"
#include "glyph_slots.h"

#include <gtest/gtest.h>

namespace {

// Digit d advances 10 + d pixels and the point 5, at pixel size 30.
class TextMeasure : public testing::Test {
  protected:
    void SetUp() override {
        glyph_atlas_begin(30);
        testing::internal::CaptureStderr();
        for (int i = 0; i < GLYPH_COUNT; ++i) {
            HandGlyph g(0, 0, 0, 0, i < 10 ? 10 + i : 5);
            glyph_atlas_place(i, g.slot);
        }
        testing::internal::GetCapturedStderr();
        glyph_atlas_end();
        glyph_atlas_metrics(glyph_offsets, glyph_widths, &glyph_height);
    }
};

TEST_F(TextMeasure, AddressIsItsDigitsAndPoints) {
    text_measure("192.168.1.230");
    // Digits 1 9 2 1 6 8 1 2 3 0: ten digits of 10 plus 33, and three points.
    EXPECT_EQ(text_width, 100 + 33 + 3 * 5);
    EXPECT_EQ(text_height, 40);
}

TEST_F(TextMeasure, EveryOtherByteIsAPoint) {
    text_measure("1 2\n");
    EXPECT_EQ(text_width, 11 + 5 + 12 + 5);
    text_measure("\xB2x");
    EXPECT_EQ(text_width, 10);
    EXPECT_EQ(glyph_index('\xB2'), 10);
    EXPECT_EQ(glyph_index('/'), 10);
    EXPECT_EQ(glyph_index(':'), 10);
    EXPECT_EQ(glyph_index('0'), 0);
    EXPECT_EQ(glyph_index('9'), 9);
}

TEST_F(TextMeasure, EmptyTextHasNoWidth) {
    text_width = 99;
    text_height = 0;
    text_measure("");
    EXPECT_EQ(text_width, 0);
    EXPECT_EQ(text_height, 40);
}

} // namespace
