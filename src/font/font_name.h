// The font file's name on the stick: "concours-", a decimal number and ".ttf",
// where the number is the pixel size the digits are rendered at.
#pragma once

#include <cstdint>

constexpr int32_t FONT_MIN_PIXEL_SIZE = 1;
constexpr int32_t FONT_MAX_PIXEL_SIZE = 300;

// True for exactly "concours-" + one or more digits + ".ttf" (case-sensitive).
bool font_name_matches(const char *name);

// The pixel size after "concours-", or 0 when no number can be read there or it
// lies outside 1..300, however many digits it has.
int32_t font_name_pixel_size(const char *name);
