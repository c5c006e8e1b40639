#include "font/glyph_bitmap.h"

namespace {

// FreeType's pitch is what to add to go one row down: positive when the rows are
// stored top first, negative when stored bottom first, in which case the buffer
// starts with the bottom row.
const uint8_t *row_start(const FT_Bitmap &bitmap, uint32_t row) {
    int64_t pitch = bitmap.pitch;
    int64_t top = pitch < 0 ? -pitch * (static_cast<int64_t>(bitmap.rows) - 1) : 0;
    return bitmap.buffer + top + pitch * static_cast<int64_t>(row);
}

// Packed pixels are stored most significant bits first; the value is scaled so the
// darkest level of every depth gives full coverage (GRAY2 x85, GRAY4 x17, MONO x255).
uint8_t packed_level(const uint8_t *row, uint32_t column, uint32_t bits) {
    uint32_t per_byte = 8 / bits;
    uint32_t shift = 8 - bits * (column % per_byte + 1);
    uint32_t max = (1u << bits) - 1;
    uint32_t level = (row[column / per_byte] >> shift) & max;
    return static_cast<uint8_t>(level * 255 / max);
}

} // namespace

bool glyph_bitmap_readable(const FT_Bitmap &bitmap) {
    if (bitmap.rows == 0 || bitmap.width == 0) {
        return true;
    }
    switch (bitmap.pixel_mode) {
    case FT_PIXEL_MODE_GRAY:
    case FT_PIXEL_MODE_MONO:
    case FT_PIXEL_MODE_GRAY2:
    case FT_PIXEL_MODE_GRAY4:
        return true;
    default:
        return false;
    }
}

uint8_t glyph_bitmap_coverage(const FT_Bitmap &bitmap, uint32_t row, uint32_t column) {
    const uint8_t *start = row_start(bitmap, row);
    switch (bitmap.pixel_mode) {
    case FT_PIXEL_MODE_MONO:
        return packed_level(start, column, 1);
    case FT_PIXEL_MODE_GRAY2:
        return packed_level(start, column, 2);
    case FT_PIXEL_MODE_GRAY4:
        return packed_level(start, column, 4);
    default:
        return start[column];
    }
}
