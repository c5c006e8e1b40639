// The drawing loops take shortcuts for speed: two pixels per 32-bit word where the
// Canvas address allows it, a first or last pixel alone where it does not, source
// rows on either half of a word, copies at weight 256, nothing at weight 0, a
// filled backing square, a pointer that steps along a line. Each must give exactly
// the pixels of the plain per-pixel formula, for every alignment and size.
#include "display/raster.h"
#include "scenes/puzzle/puzzle_scene.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A fixed pseudo-random sequence: every test sees the same pixels.
struct Pixels {
    uint32_t state = 12345;
    uint16_t next() {
        state = state * 1103515245u + 12345u;
        return static_cast<uint16_t>(state >> 8);
    }
};

void fill_canvas(Canvas *canvas, Pixels *pixels) {
    for (uint16_t &p : canvas->px) {
        p = pixels->next();
    }
}

// The formula as stated: channel by channel, truncating, every pixel written.
void reference_blit(Canvas *canvas, int32_t x, int32_t y, const uint16_t *image, int32_t width,
                    int32_t height, int32_t stride, int32_t weight) {
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            uint32_t s = image[r * stride + c];
            uint16_t &d = canvas->px[(y + r) * CANVAS_W + x + c];
            uint32_t w = static_cast<uint32_t>(weight);
            uint32_t k = 256u - w;
            uint32_t red = (w * (s >> 11) + k * (d >> 11u)) >> 8;
            uint32_t green = (w * ((s >> 5) & 0x3F) + k * ((d >> 5u) & 0x3Fu)) >> 8;
            uint32_t blue = (w * (s & 0x1F) + k * (d & 0x1Fu)) >> 8;
            d = static_cast<uint16_t>(red << 11 | green << 5 | blue);
        }
    }
}

// An image exactly as long as the blit reads (plus the leading pixels that shift
// its start onto the other half of a word), so a read past either end is caught
// by the address sanitizer.
struct Image {
    std::vector<uint16_t> storage;
    const uint16_t *start;
    Image(int32_t lead, int32_t width, int32_t height, int32_t stride, Pixels *pixels)
        : storage(static_cast<size_t>(lead + (height - 1) * stride + width)) {
        for (uint16_t &p : storage) {
            p = pixels->next();
        }
        start = storage.data() + lead;
    }
};

void expect_same(const Canvas &got, const Canvas &want, const char *what) {
    if (memcmp(&got, &want, sizeof(Canvas)) == 0) {
        return;
    }
    for (int i = 0; i < CANVAS_PIXELS; ++i) {
        ASSERT_EQ(got.px[i], want.px[i])
            << what << ": pixel " << i % CANVAS_W << "," << i / CANVAS_W;
    }
}

TEST(FastPaths, BlendBlitMatchesTheFormulaForEveryAlignmentAndSize) {
    static Canvas got;
    static Canvas want;
    Pixels pixels;
    const int32_t widths[] = {1, 2, 3, 4, 5, 7, 8, 15, 19, 30, 48};
    const int32_t weights[] = {1, 2, 38, 128, 204, 255};
    for (int32_t lead = 0; lead < 2; ++lead) {
        for (int32_t x = 0; x < 4; ++x) {
            for (int32_t width : widths) {
                for (int32_t extra = 0; extra < 2; ++extra) {
                    int32_t stride = width + extra; // odd and even strides alike
                    for (int32_t weight : weights) {
                        Image image(lead, width, 5, stride, &pixels);
                        fill_canvas(&got, &pixels);
                        want = got;
                        blend_blit(&got, 100 + x, 40, image.start, width, 5, stride, weight);
                        reference_blit(&want, 100 + x, 40, image.start, width, 5, stride, weight);
                        SCOPED_TRACE(testing::Message()
                                     << "lead " << lead << " x " << x << " width " << width
                                     << " stride " << stride << " weight " << weight);
                        expect_same(got, want, "blend_blit");
                    }
                }
            }
        }
    }
}

TEST(FastPaths, WeightsAtAndBeyondTheEndsMatchTheFormula) {
    static Canvas got;
    static Canvas want;
    Pixels pixels;
    // 0 and 256 take the shortcuts; weights outside 0..256 overflow their channels,
    // and still give what the formula gives.
    for (int32_t weight : {0, 256, 257, 300, -1, -77}) {
        for (int32_t x = 0; x < 2; ++x) {
            Image image(x, 21, 6, 23, &pixels);
            fill_canvas(&got, &pixels);
            want = got;
            blend_blit(&got, 7 + x, 300, image.start, 21, 6, 23, weight);
            reference_blit(&want, 7 + x, 300, image.start, 21, 6, 23, weight);
            SCOPED_TRACE(testing::Message() << "weight " << weight << " x " << x);
            expect_same(got, want, "blend_blit");
        }
    }
}

// The backing square at every kind of weight, against its whole-value formula.
TEST(FastPaths, BackingSquareMatchesTheFormulaAtEveryWeight) {
    static Canvas got;
    static Canvas want;
    Pixels pixels;
    for (int32_t w : {0, 1, 100, 128, 255, 256}) {
        fill_canvas(&got, &pixels);
        want = got;
        backing_square(&got, w);
        for (int32_t y = BACKING_Y; y < BACKING_Y + BACKING_SIZE; ++y) {
            for (int32_t x = BACKING_X; x < BACKING_X + BACKING_SIZE; ++x) {
                uint16_t &p = want.px[y * CANVAS_W + x];
                p = static_cast<uint16_t>(((256u - w) * p + w * BACKING_COLOUR) >> 8);
            }
        }
        SCOPED_TRACE(testing::Message() << "weight " << w);
        expect_same(got, want, "backing_square");
    }
}

// Bresenham as stated, with x and y counted and the address multiplied out.
void reference_line(Canvas *canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    int32_t dx = std::abs(x1 - x0);
    int32_t dy = std::abs(y1 - y0);
    int32_t sx = x0 < x1 ? 1 : -1;
    int32_t sy = y0 < y1 ? 1 : -1;
    int32_t err = dx - dy;
    for (;;) {
        canvas->px[y0 * CANVAS_W + x0] = 0;
        if (x0 == x1 && y0 == y1) {
            return;
        }
        int32_t e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x0 += sx;
        }
        if (e2 < dx) {
            err += dx;
            y0 += sy;
        }
    }
}

TEST(FastPaths, LinesFromTheCentreToEveryBorderPixelMatchBresenham) {
    static Canvas got;
    static Canvas want;
    std::vector<std::pair<int32_t, int32_t>> ends;
    for (int32_t x = 0; x < CANVAS_W; ++x) {
        ends.push_back({x, 0});
        ends.push_back({x, CANVAS_H - 1});
    }
    for (int32_t y = 0; y < CANVAS_H; ++y) {
        ends.push_back({0, y});
        ends.push_back({CANVAS_W - 1, y});
    }
    for (auto [x, y] : ends) {
        for (bool outwards : {true, false}) {
            std::fill(std::begin(got.px), std::end(got.px), 0xFFFF);
            want = got;
            if (outwards) {
                draw_line(&got, 117, 161, x, y);
                reference_line(&want, 117, 161, x, y);
            } else {
                draw_line(&got, x, y, 117, 161);
                reference_line(&want, x, y, 117, 161);
            }
            SCOPED_TRACE(testing::Message() << "end " << x << "," << y << " outwards " << outwards);
            expect_same(got, want, "draw_line");
        }
    }
}

} // namespace
