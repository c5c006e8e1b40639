#include "screen_checks.h"

#include "assets/images.h"
#include "display/canvas.h"
#include "display/raster.h"
#include "front/screen_png.h"

namespace {

bool masked(const std::vector<Rect> &masks, int x, int y) {
    for (const Rect &r : masks) {
        if (r.contains(x, y)) {
            return true;
        }
    }
    return false;
}

bool columns_match(const Screen &frame, int frame_column, const Screen &scene, int scene_column,
                   const std::vector<Rect> &masks) {
    for (int y = 0; y < SCREEN_H; ++y) {
        if (!masked(masks, scene_column, y) &&
            frame.at(frame_column, y) != scene.at(scene_column, y)) {
            return false;
        }
    }
    return true;
}

bool split_matches(const Screen &frame, int k, const Screen &address,
                   const std::vector<Rect> &address_masks, const Screen &puzzle,
                   const std::vector<Rect> &puzzle_masks) {
    for (int c = 0; c < SCREEN_W; ++c) {
        bool ok = c < SCREEN_W - k
                      ? columns_match(frame, c, address, c + k, address_masks)
                      : columns_match(frame, c, puzzle, c - (SCREEN_W - k), puzzle_masks);
        if (!ok) {
            return false;
        }
    }
    return true;
}

// The screen as a Canvas, and back: Canvas (x, y) is screen column y, row 239 - x.
void to_canvas(const Screen &screen, Canvas *canvas) {
    for (int y = 0; y < CANVAS_H; ++y) {
        for (int x = 0; x < CANVAS_W; ++x) {
            canvas->px[y * CANVAS_W + x] = screen.at(y, 239 - x);
        }
    }
}

} // namespace

bool load_screen(const std::string &path, Screen *screen) {
    int w = 0, h = 0;
    return read_png_rgb565(path, &screen->px, &w, &h) && w == SCREEN_W && h == SCREEN_H;
}

std::string first_difference(const Screen &shot, const Screen &golden,
                             const std::vector<Rect> &masks) {
    for (int y = 0; y < SCREEN_H; ++y) {
        for (int x = 0; x < SCREEN_W; ++x) {
            if (!masked(masks, x, y) && shot.at(x, y) != golden.at(x, y)) {
                return std::to_string(x) + "," + std::to_string(y) + ": " +
                       std::to_string(shot.at(x, y)) + " != " + std::to_string(golden.at(x, y));
            }
        }
    }
    return "";
}

std::vector<int> slide_splits(const Screen &frame, const Screen &address,
                              const std::vector<Rect> &address_masks, const Screen &puzzle,
                              const std::vector<Rect> &puzzle_masks) {
    std::vector<int> splits;
    for (int k = 1; k <= 319; ++k) {
        if (split_matches(frame, k, address, address_masks, puzzle, puzzle_masks)) {
            splits.push_back(k);
        }
    }
    return splits;
}

std::vector<int> placeholder_weights(const Screen &shot, const Screen &background) {
    static Canvas expected, seen;
    to_canvas(shot, &seen);
    std::vector<int> weights;
    for (int w = 0; w <= 256; ++w) {
        to_canvas(background, &expected);
        blend_blit(&expected, 112, 37, img_address_placeholder, ADDRESS_PLACEHOLDER_W,
                   ADDRESS_PLACEHOLDER_H, ADDRESS_PLACEHOLDER_W, w);
        bool same = true;
        for (int y = 37; y < 37 + ADDRESS_PLACEHOLDER_H && same; ++y) {
            for (int x = 112; x < 112 + ADDRESS_PLACEHOLDER_W && same; ++x) {
                same = expected.px[y * CANVAS_W + x] == seen.px[y * CANVAS_W + x];
            }
        }
        if (same) {
            weights.push_back(w);
        }
    }
    return weights;
}
