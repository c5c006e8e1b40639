// Checks on screenshots of the simulated LCD (320x240, landscape, as a person sees
// it): comparison with golden frames outside the parts that depend on the moment,
// and the split of a slide frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int SCREEN_W = 320;
constexpr int SCREEN_H = 240;

struct Screen {
    std::vector<uint16_t> px;
    uint16_t at(int x, int y) const { return px[static_cast<size_t>(y) * SCREEN_W + x]; }
};

// A rectangle of screen pixels, [x0, x1) x [y0, y1).
struct Rect {
    int x0, y0, x1, y1;
    bool contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

// Where the turning wireframe can draw (its corner of scene 0), with a margin.
constexpr Rect WIREFRAME_AREA = {266, 3, 314, 44};
// The band of the address digits across the middle of scene 0.
constexpr Rect ADDRESS_BAND = {0, 85, 320, 156};
// The rows of scene 1 that hold the backing square and the tiles.
constexpr Rect BOARD_ROWS = {0, 36, 320, 190};

bool load_screen(const std::string &path, Screen *screen);

// The first pixel where the two differ outside the masks, as "x,y: a != b", or "".
std::string first_difference(const Screen &shot, const Screen &golden,
                             const std::vector<Rect> &masks);

// Screen column c of a slide frame shows column c + k of the address scene for
// c < 320 - k, and column c - (320 - k) of the puzzle scene after that. Returns
// every k in 1..319 for which the frame matches both scenes outside their masks.
std::vector<int> slide_splits(const Screen &frame, const Screen &address,
                              const std::vector<Rect> &address_masks, const Screen &puzzle,
                              const std::vector<Rect> &puzzle_masks);

// The weights 0..256 at which the placeholder blended over the background gives
// exactly what the shot shows in the placeholder's rectangle.
std::vector<int> placeholder_weights(const Screen &shot, const Screen &background);
