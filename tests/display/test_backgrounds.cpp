// The composed backgrounds: doubled pictures, overlays copied exactly where they
// belong, and the tile sheet lining up with the solved board.
#include "assets/images.h"
#include "display/backgrounds.h"
#include "display/raster.h"
#include "font/text_metrics.h"

#include <gtest/gtest.h>

namespace {

struct Overlay {
    const uint16_t *image;
    int x, y, w, h;
};

const Overlay SCENE0_OVERLAYS[] = {
    {img_switch_tab_0, 0, 247, 26, 73},
    {img_overlay_top_left, 0, 0, 92, 99},
    {img_overlay_top_right, 205, 0, 35, 118},
};
const Overlay SCENE1_OVERLAYS[] = {{img_switch_tab_1, 0, 247, 26, 73}};

const Overlay *covering(const Overlay *begin, const Overlay *end, int x, int y) {
    for (const Overlay *o = begin; o != end; ++o) {
        if (x >= o->x && x < o->x + o->w && y >= o->y && y < o->y + o->h) {
            return o;
        }
    }
    return nullptr;
}

// Every pixel is either its overlay's pixel or the doubled background's.
void expect_composition(const Canvas &canvas, const uint16_t *background, const Overlay *begin,
                        const Overlay *end) {
    for (int y = 0; y < CANVAS_H; ++y) {
        for (int x = 0; x < CANVAS_W; ++x) {
            const Overlay *o = covering(begin, end, x, y);
            uint16_t want = o != nullptr ? o->image[(y - o->y) * o->w + (x - o->x)]
                                         : background[(y / 2) * 120 + x / 2];
            ASSERT_EQ(canvas.px[y * CANVAS_W + x], want) << x << "," << y;
        }
    }
}

class Backgrounds : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { compose_backgrounds(); }
};

TEST_F(Backgrounds, SceneZeroIsTheDoubledPictureUnderThreeExactOverlays) {
    expect_composition(scene_background[0], img_background_0, std::begin(SCENE0_OVERLAYS),
                       std::end(SCENE0_OVERLAYS));
}

TEST_F(Backgrounds, SceneOneIsTheDoubledPictureUnderItsTab) {
    expect_composition(scene_background[1], img_background_1, std::begin(SCENE1_OVERLAYS),
                       std::end(SCENE1_OVERLAYS));
}

TEST_F(Backgrounds, GlyphAtlasIsHandedToTheScenes) {
    EXPECT_EQ(atlas_pixels, glyph_atlas_pixels());
    int32_t offsets[GLYPH_COUNT], widths[GLYPH_COUNT], height = 0;
    glyph_atlas_metrics(offsets, widths, &height);
    EXPECT_EQ(glyph_height, height);
    for (int i = 0; i < GLYPH_COUNT; ++i) {
        EXPECT_EQ(glyph_offsets[i], offsets[i]);
        EXPECT_EQ(glyph_widths[i], widths[i]);
    }
}

} // namespace
