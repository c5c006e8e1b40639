#include "address_fixture.h"

#include "display/backgrounds.h"
#include "font/text_metrics.h"
#include "support/test_board.h"

#include <gtest/gtest.h>

uint16_t test_atlas_pixel(int row, int col) {
    return static_cast<uint16_t>(((row * 97 + col * 3) * 2 + 1) & 0xFFFF);
}

void install_test_atlas(std::vector<uint16_t> *atlas, const int32_t offsets[11],
                        const int32_t widths[11], int32_t height) {
    atlas->assign(static_cast<size_t>(ATLAS_W) * ATLAS_H, 0);
    for (int r = 0; r < ATLAS_H; ++r) {
        for (int c = 0; c < ATLAS_W; ++c) {
            (*atlas)[static_cast<size_t>(r) * ATLAS_W + c] = test_atlas_pixel(r, c);
        }
    }
    atlas_pixels = atlas->data();
    for (int i = 0; i < GLYPH_COUNT; ++i) {
        glyph_offsets[i] = offsets[i];
        glyph_widths[i] = widths[i];
    }
    glyph_height = height;
    for (uint16_t &p : scene_background[SCENE_ADDRESS].px) {
        p = TEST_BACKGROUND;
    }
}

void deliver_address(const std::string &text) {
    ASSERT_TRUE(test_board::deliver_address(text.data(), text.size()));
}
