// blend_blit's truncating per-channel blend and draw_line's Bresenham pixels.
#include "display/raster.h"

#include <gtest/gtest.h>
#include <set>
#include <utility>
#include <vector>

namespace {

using Points = std::set<std::pair<int, int>>;

class Raster : public ::testing::Test {
  protected:
    void SetUp() override { fill(0x5555); }
    void fill(uint16_t value) { std::fill(std::begin(canvas.px), std::end(canvas.px), value); }
    uint16_t at(int x, int y) const { return canvas.px[y * CANVAS_W + x]; }
    // Every pixel that is not the background value.
    Points changed(uint16_t background) const {
        Points out;
        for (int i = 0; i < CANVAS_PIXELS; ++i) {
            if (canvas.px[i] != background) {
                out.insert({i % CANVAS_W, i / CANVAS_W});
            }
        }
        return out;
    }
    Canvas canvas;
};

TEST_F(Raster, BlendTruncatesEachChannel) {
    const uint16_t white = 0xFFFF;
    fill(0x0000);
    blend_blit(&canvas, 0, 0, &white, 1, 1, 1, 128);
    EXPECT_EQ(at(0, 0), 0x7BEF);
    blend_blit(&canvas, 1, 0, &white, 1, 1, 1, 255);
    EXPECT_EQ(at(1, 0), 0xF7DE);
    // Channels never bleed into each other: pure green over pure red.
    const uint16_t green = 0x07E0;
    fill(0xF800);
    blend_blit(&canvas, 0, 0, &green, 1, 1, 1, 64);
    EXPECT_EQ(at(0, 0), (((192 * 31) >> 8) << 11) | (((64 * 63) >> 8) << 5));
}

TEST_F(Raster, EmptyRectanglesDrawNothing) {
    const uint16_t pixel = 0x1234;
    blend_blit(&canvas, 5, 5, &pixel, 0, 3, 1, 256);
    blend_blit(&canvas, 5, 5, &pixel, 3, 0, 1, 256);
    blend_blit(&canvas, 5, 5, &pixel, -1, -1, 1, 256);
    EXPECT_TRUE(changed(0x5555).empty());
}

TEST_F(Raster, LineEndpointsAndDirection) {
    draw_line(&canvas, 7, 9, 7, 9);
    EXPECT_EQ(changed(0x5555), (Points{{7, 9}}));
    EXPECT_EQ(at(7, 9), 0x0000);
    fill(0x5555);
    draw_line(&canvas, 0, 0, 2, 1);
    EXPECT_EQ(changed(0x5555), (Points{{0, 0}, {1, 0}, {2, 1}}));
    fill(0x5555);
    draw_line(&canvas, 2, 1, 0, 0);
    EXPECT_EQ(changed(0x5555), (Points{{2, 1}, {1, 1}, {0, 0}}));
}

struct LineCase {
    int x0, y0, x1, y1;
};

void PrintTo(const LineCase &c, std::ostream *os) {
    *os << "(" << c.x0 << "," << c.y0 << ") to (" << c.x1 << "," << c.y1 << ")";
}

std::string line_name(const testing::TestParamInfo<LineCase> &info) {
    const LineCase &c = info.param;
    return "from_" + std::to_string(c.x0) + "_" + std::to_string(c.y0) + "_to_" +
           std::to_string(c.x1) + "_" + std::to_string(c.y1);
}

class StraightLines : public Raster, public ::testing::WithParamInterface<LineCase> {};

TEST_P(StraightLines, SetLongerAxisPlusOnePixels) {
    LineCase c = GetParam();
    draw_line(&canvas, c.x0, c.y0, c.x1, c.y1);
    int dx = std::abs(c.x1 - c.x0);
    int dy = std::abs(c.y1 - c.y0);
    Points drawn = changed(0x5555);
    EXPECT_EQ(drawn.size(), static_cast<size_t>(std::max(dx, dy) + 1));
    EXPECT_TRUE(drawn.count({c.x0, c.y0}));
    EXPECT_TRUE(drawn.count({c.x1, c.y1}));
    // Straight and diagonal lines have no choice to make: every pixel is on the line.
    for (auto [x, y] : drawn) {
        EXPECT_EQ((x - c.x0) * (c.y1 - c.y0), (y - c.y0) * (c.x1 - c.x0)) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(AllDirections, StraightLines,
                         ::testing::Values(LineCase{10, 10, 60, 10}, LineCase{60, 10, 10, 10},
                                           LineCase{10, 10, 10, 90}, LineCase{10, 90, 10, 10},
                                           LineCase{10, 10, 50, 50}, LineCase{50, 50, 10, 10},
                                           LineCase{10, 50, 50, 10}, LineCase{50, 10, 10, 50}),
                         line_name);

} // namespace
