// The file name on the stick: which names are taken as the font, and which pixel
// sizes glyph_atlas_build accepts from them.
#include "font/font_name.h"
#include "font/glyph_atlas.h"
#include "font_files.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char *name;
    bool matches;
};

TEST(FontName, TakesOnlyConcoursDigitsTtf) {
    const NameCase cases[] = {
        {"concours-48.ttf", true},
        {"concours-007.ttf", true},
        {"concours-0.ttf", true}, // the size is refused later, not here
        {"concours-99999999999.ttf", true},
        {"concours-.ttf", false},
        {"concours-48.TTF", false},
        {"Concours-48.ttf", false},
        {"concours-48.ttf.bak", false},
        {"concours-4a.ttf", false},
        {"concours-48-bold.ttf", false},
        {"concours-48", false},
        {"concours-48.tt", false},
        {"concours-+48.ttf", false},
        {"concours- 48.ttf", false},
        {"xconcours-48.ttf", false},
        {"concours", false},
        {"", false},
        {".", false},
        // Bytes above 127: Latin-1 superscript two, and a digit followed by e-acute.
        {"concours-\xB2.ttf", false},
        {"concours-4\xE9.ttf", false},
        {"concours-\xFF\xFF.ttf", false},
    };
    for (const NameCase &c : cases) {
        EXPECT_EQ(font_name_matches(c.name), c.matches) << '"' << c.name << '"';
    }
}

struct SizeCase {
    const char *name;
    int32_t size;
};

TEST(FontName, PixelSizeIsReadWithinOneTo300) {
    const SizeCase cases[] = {
        {"concours-48.ttf", 48},
        {"concours-007.ttf", 7},
        {"concours-1.ttf", 1},
        {"concours-300.ttf", 300},
        {"concours-0300.ttf", 300},
        {"concours-0.ttf", 0},
        {"concours-301.ttf", 0},
        {"concours--5.ttf", 0},
        {"concours-99999999999.ttf", 0},
        // Wraps to 48 in 32 bits and to 48 in 64 bits: must still be refused.
        {"concours-4294967344.ttf", 0},
        {"concours-18446744073709551664.ttf", 0},
        {"concours-.ttf", 0},
        {"concours-x.ttf", 0},
        {"concours-", 0},
        {"Concours-48.ttf", 0},
        {"", 0},
    };
    for (const SizeCase &c : cases) {
        EXPECT_EQ(font_name_pixel_size(c.name), c.size) << '"' << c.name << '"';
    }
}

TEST(FontSize, LargestSizeIsRendered) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(glyph_atlas_build("concours-300.ttf", DEJAVU_BOLD), 0);
    testing::internal::GetCapturedStderr();
    int32_t offsets[GLYPH_COUNT];
    int32_t widths[GLYPH_COUNT];
    int32_t height = 0;
    glyph_atlas_metrics(offsets, widths, &height);
    EXPECT_EQ(height, 310);
    // Eleven digits at 300 pixels run far beyond the 320 rows of the image.
    EXPECT_GT(offsets[10], 320);
}

} // namespace
