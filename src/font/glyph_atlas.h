// The digit font rendered once with FreeType into a sideways glyph atlas: the line
// of text runs down the atlas rows, so a glyph cell can be copied straight onto the
// portrait Canvas and read left to right on the landscape screen.
#pragma once

#include <cstdint>

constexpr char GLYPH_CHARS[] = "0123456789.";
constexpr int GLYPH_COUNT = 11;
constexpr int ATLAS_W = 240;
constexpr int ATLAS_H = 320;

// '0'..'9' give 0..9; every other byte gives 10, the point.
int glyph_index(char ch);

// Renders the atlas at the pixel size carried by file_name from the font at path.
// Returns 0; every failure ends the process with status 1 and no message.
int glyph_atlas_build(const char *file_name, const char *path);

const uint16_t *glyph_atlas_pixels();

void glyph_atlas_metrics(int32_t glyph_offsets[GLYPH_COUNT], int32_t glyph_widths[GLYPH_COUNT],
                         int32_t *glyph_height);
