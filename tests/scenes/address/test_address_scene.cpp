// The address scene: placeholder pulse, reveal timing, centring, the glyph cells
// copied from the atlas, the wireframe on top, and large texts cut to the Canvas.
#include "address_fixture.h"

#include "assets/images.h"
#include "display/backgrounds.h"
#include "display/raster.h"
#include "font/text_metrics.h"
#include "scenes/address/address_scene.h"
#include "scenes/address/wireframe.h"
#include "scenes/puzzle/puzzle_scene.h"
#include "workers/net_worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr char THIRTEEN[] = "192.168.1.230";

// A 31-pixel font: cells 41 columns wide; digit i advances 18 + i rows, the point 9.
class AddressScene : public testing::Test {
  protected:
    void SetUp() override { use_metrics(41, 18, 9); }

    void use_metrics(int32_t height, int32_t digit_base, int32_t point) {
        int32_t offsets[GLYPH_COUNT];
        int32_t widths[GLYPH_COUNT];
        int32_t pen = 0;
        for (int i = 0; i < GLYPH_COUNT; ++i) {
            widths[i] = i < 10 ? digit_base + i : point;
            offsets[i] = pen;
            pen += widths[i];
        }
        install_test_atlas(&atlas, offsets, widths, height);
        puzzle_visited = 0;
    }

    std::vector<GlyphBlit> layout(uint32_t elapsed_ms) {
        GlyphBlit cells[ADDRESS_MAX_CHARS];
        int n = address_layout(elapsed_ms, address_text(), puzzle_visited, cells);
        return std::vector<GlyphBlit>(cells, cells + n);
    }

    static std::vector<int32_t> weights(const std::vector<GlyphBlit> &cells) {
        std::vector<int32_t> w;
        for (const GlyphBlit &c : cells) {
            w.push_back(c.weight);
        }
        return w;
    }

    std::unique_ptr<Canvas> render(uint32_t elapsed_ms) {
        auto canvas = std::make_unique<Canvas>();
        EXPECT_EQ(address_scene_render(elapsed_ms, canvas.get()), 0);
        return canvas;
    }

    // The background with the given glyph cells blended in, then the wireframe.
    std::unique_ptr<Canvas> composed(const std::vector<GlyphBlit> &cells, uint32_t elapsed_ms) {
        auto canvas = std::make_unique<Canvas>(scene_background[SCENE_ADDRESS]);
        for (const GlyphBlit &c : cells) {
            blend_blit(canvas.get(), c.x, c.y, atlas.data() + glyph_offsets[c.glyph] * ATLAS_W,
                       text_height, glyph_widths[c.glyph], ATLAS_W, c.weight);
        }
        wireframe_draw(elapsed_ms, canvas.get());
        return canvas;
    }

    static uint16_t at(const Canvas &c, int x, int y) { return c.px[y * CANVAS_W + x]; }

    std::vector<uint16_t> atlas;
};

bool same(const Canvas &a, const Canvas &b) {
    return memcmp(&a, &b, sizeof(Canvas)) == 0;
}

TEST(PlaceholderWeight, RisesOver800AndFallsOver1600Repeating) {
    const struct {
        uint32_t elapsed;
        int32_t weight;
    } cases[] = {{0, 0},    {400, 128}, {799, 255}, {800, 256}, {1600, 128}, {2393, 1},
                 {2394, 0}, {2395, 0},  {2396, 0},  {2397, 0},  {2398, 0},   {2399, 0}};
    for (const auto &c : cases) {
        for (uint32_t period : {0u, 1u, 7u, 1789568u}) {
            uint32_t e = c.elapsed + period * PLACEHOLDER_PERIOD_MS;
            EXPECT_EQ(placeholder_weight(e), c.weight) << "elapsed " << e;
        }
    }
    // 2^32 - 1 is 1695 ms into its period.
    EXPECT_EQ(placeholder_weight(0xFFFFFFFFu), 256 * (2400 - 1695) / 1600);
}

TEST_F(AddressScene, PlaceholderPulsesUntilTheAddressArrivesWireframeAlwaysOnTop) {
    deliver_address("");
    for (uint32_t e : {0u, 400u, 800u, 1600u, 2394u, 2399u, 2800u}) {
        auto expected = std::make_unique<Canvas>(scene_background[SCENE_ADDRESS]);
        blend_blit(expected.get(), 112, 37, img_address_placeholder, 30, 248, 30,
                   placeholder_weight(e));
        wireframe_draw(e, expected.get());
        EXPECT_TRUE(same(*render(e), *expected)) << "elapsed " << e;
    }
    // At weight 0 the frame is the background with the wireframe only.
    auto first = render(0);
    auto bare = composed({}, 0);
    EXPECT_TRUE(same(*first, *bare));
    EXPECT_EQ(at(*first, 199, 290), 0);
}

TEST_F(AddressScene, AfterThePuzzleEachCharacterStarts100msLaterAndFadesIn300ms) {
    deliver_address(THIRTEEN);
    puzzle_visited = 1;
    EXPECT_EQ(weights(layout(0)), std::vector<int32_t>({0}));
    EXPECT_EQ(weights(layout(150)), std::vector<int32_t>({128, 42}));
    auto at_1200 = weights(layout(1200));
    ASSERT_EQ(at_1200.size(), 13u);
    EXPECT_EQ(at_1200[12], 0);
    EXPECT_EQ(at_1200[11], 85);
    EXPECT_EQ(at_1200[9], 256);
    EXPECT_EQ(weights(layout(1499))[12], 255);
    for (uint32_t e : {1500u, 5000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(weights(layout(e)), std::vector<int32_t>(13, 256)) << "elapsed " << e;
    }
    for (uint32_t k = 1; k < 13; ++k) {
        EXPECT_EQ(layout(100 * k - 1).size(), k);
        EXPECT_EQ(layout(100 * k).size(), k + 1);
        EXPECT_EQ(layout(100 * k).back().weight, 0);
    }
}

TEST_F(AddressScene, RevealFramesBlendTheStartedCellsOnly) {
    deliver_address(THIRTEEN);
    puzzle_visited = 1;
    auto cells = layout(150);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_TRUE(same(*render(150), *composed(cells, 150)));
    // The third cell's rows still show the background.
    auto frame = render(150);
    int32_t third = cells[1].y + glyph_widths[cells[1].glyph];
    EXPECT_EQ(at(*frame, 100, third), TEST_BACKGROUND);
    EXPECT_NE(at(*frame, 100, third - 1), TEST_BACKGROUND);
}

TEST_F(AddressScene, BeforeThePuzzleTheAddressIsCompleteAndOpaqueAtOnce) {
    deliver_address(THIRTEEN);
    EXPECT_EQ(weights(layout(0)), std::vector<int32_t>(13, 256));
    auto frame = render(0);
    // Each glyph's band of atlas rows, columns from 0, lands below the previous one.
    int32_t x0 = 120 - 41 / 2;
    int32_t y = 160 - text_width / 2;
    EXPECT_EQ(at(*frame, x0, y - 1), TEST_BACKGROUND);
    for (const char *p = THIRTEEN; *p != '\0'; ++p) {
        int g = glyph_index(*p);
        for (int r = 0; r < glyph_widths[g]; ++r) {
            for (int c = 0; c < text_height; ++c) {
                ASSERT_EQ(at(*frame, x0 + c, y + r), test_atlas_pixel(glyph_offsets[g] + r, c))
                    << "char " << (p - THIRTEEN) << " row " << r << " col " << c;
            }
            EXPECT_EQ(at(*frame, x0 - 1, y + r), TEST_BACKGROUND);
            EXPECT_EQ(at(*frame, x0 + text_height, y + r), TEST_BACKGROUND);
        }
        y += glyph_widths[g];
    }
    EXPECT_EQ(at(*frame, x0, y), TEST_BACKGROUND);
}

TEST_F(AddressScene, CellsFollowEachOtherWithoutGaps) {
    deliver_address("70");
    auto cells = layout(0);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[1].y, cells[0].y + glyph_widths[7]);
    auto frame = render(0);
    EXPECT_EQ(at(*frame, cells[0].x, cells[1].y - 1), test_atlas_pixel(glyph_offsets[8] - 1, 0));
    EXPECT_EQ(at(*frame, cells[0].x, cells[1].y), test_atlas_pixel(glyph_offsets[0], 0));
}

TEST_F(AddressScene, EveryByteThatIsNotADigitIsThePoint) {
    deliver_address(std::string("1 \n\xff:") + "9");
    auto cells = layout(0);
    ASSERT_EQ(cells.size(), 6u);
    const int32_t glyphs[] = {1, 10, 10, 10, 10, 9};
    for (size_t i = 0; i < cells.size(); ++i) {
        EXPECT_EQ(cells[i].glyph, glyphs[i]);
    }
    EXPECT_EQ(cells[2].y - cells[1].y, 9);
    EXPECT_EQ(text_width, 19 + 4 * 9 + 27);
}

// Halving truncates: a cell 41 or 40 columns wide starts at column 100, and a text
// 201 or 200 rows long starts at row 60.
TEST_F(AddressScene, CentringTruncatesTheHalf) {
    for (int32_t height : {41, 40}) {
        use_metrics(height, 18, 9);
        deliver_address("5");
        auto frame = render(0);
        EXPECT_EQ(layout(0)[0].x, 100);
        EXPECT_EQ(at(*frame, 99, 160), TEST_BACKGROUND);
        EXPECT_NE(at(*frame, 100, 160), TEST_BACKGROUND);
        EXPECT_NE(at(*frame, 99 + height, 160), TEST_BACKGROUND);
        EXPECT_EQ(at(*frame, 100 + height, 160), TEST_BACKGROUND);
    }
    for (int32_t width : {201, 200}) {
        deliver_address("5");
        text_width = width;
        auto frame = render(0);
        EXPECT_EQ(layout(0)[0].y, 60);
        EXPECT_EQ(at(*frame, 110, 59), TEST_BACKGROUND);
        EXPECT_NE(at(*frame, 110, 60), TEST_BACKGROUND);
    }
}

// --- Texts larger than the Canvas -------------------------------------------------

// A Canvas with guard bands before and after it, to see any write outside it.
struct GuardedCanvas {
    uint16_t before[4096];
    Canvas canvas;
    uint16_t after[4096];
};
constexpr uint16_t GUARD = 0xA5A5;

// What the frame must hold, pixel by pixel: each cell's atlas pixel where the
// cell covers the Canvas pixel and the atlas has that pixel, later cells on top,
// the wireframe last.
std::unique_ptr<Canvas> expected_clipped(const std::vector<GlyphBlit> &cells,
                                         const std::vector<uint16_t> &atlas, uint32_t e) {
    auto canvas = std::make_unique<Canvas>(scene_background[SCENE_ADDRESS]);
    for (const GlyphBlit &cell : cells) {
        for (int64_t y = 0; y < CANVAS_H; ++y) {
            for (int64_t x = 0; x < CANVAS_W; ++x) {
                int64_t col = x - cell.x;
                int64_t row = glyph_offsets[cell.glyph] + (y - cell.y);
                bool in_cell = col >= 0 && col < text_height && y >= cell.y &&
                               y < cell.y + glyph_widths[cell.glyph];
                if (in_cell && col < ATLAS_W && row >= 0 && row < ATLAS_H) {
                    canvas->px[y * CANVAS_W + x] = atlas[row * ATLAS_W + col];
                }
            }
        }
    }
    wireframe_draw(e, canvas.get());
    return canvas;
}

void expect_clipped_frame(const std::vector<uint16_t> &atlas, const std::string &text, uint32_t e) {
    deliver_address(text);
    GlyphBlit cells[ADDRESS_MAX_CHARS];
    int n = address_layout(e, address_text(), puzzle_visited, cells);
    auto guarded = std::make_unique<GuardedCanvas>();
    std::fill(std::begin(guarded->before), std::end(guarded->before), GUARD);
    std::fill(std::begin(guarded->after), std::end(guarded->after), GUARD);
    address_scene_render(e, &guarded->canvas);
    for (int i = 0; i < 4096; ++i) {
        ASSERT_EQ(guarded->before[i], GUARD) << "text " << text << " guard before, " << i;
        ASSERT_EQ(guarded->after[i], GUARD) << "text " << text << " guard after, " << i;
    }
    auto expected = expected_clipped(std::vector<GlyphBlit>(cells, cells + n), atlas, e);
    EXPECT_TRUE(same(guarded->canvas, *expected)) << "text " << text;
    EXPECT_EQ(guarded->canvas.px[290 * CANVAS_W + 199], 0) << "wireframe on top";
}

const char *const FIFTEEN_BYTE_TEXTS[] = {
    "888888888888888",         "...............", "192.168.100.200",
    "\xff\x01 \n9999999999.0", "000000000000000", "123456789.01234",
};

// Pixel size 300: cells 310 columns wide, advances near 190 rows, the line of
// eleven glyphs far longer than the atlas's 320 rows.
TEST_F(AddressScene, PixelSize300WritesOnlyInsideTheCanvasAndReadsOnlyTheAtlas) {
    use_metrics(310, 183, 86);
    for (const char *text : FIFTEEN_BYTE_TEXTS) {
        expect_clipped_frame(atlas, text, 0);
    }
    puzzle_visited = 1;
    expect_clipped_frame(atlas, "192.168.100.200", 250);
}

// Bands that start before the atlas or run past its end, cells wider than a row.
TEST_F(AddressScene, CellsOutsideTheAtlasAreCutToWhatItHolds) {
    const int32_t offsets[GLYPH_COUNT] = {-60, 290, 319, 320, 5000, 0, 100, 200, 250, 300, -500};
    const int32_t widths[GLYPH_COUNT] = {80, 50, 1, 12, 40, 320, 0, 30, 71, 19, 40};
    for (int32_t height : {1, 239, 240, 241, 300}) {
        install_test_atlas(&atlas, offsets, widths, height);
        for (const char *text : {"0123456789.", "555", "1234", "9.9.9.9.9.9.9.9"}) {
            expect_clipped_frame(atlas, text, 0);
        }
    }
}

} // namespace
