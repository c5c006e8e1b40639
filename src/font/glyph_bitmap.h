// Coverage out of a rendered FreeType bitmap, whatever its row layout. Outline
// fonts render 8-bit grey rows, but a font with embedded bitmap strikes hands back
// its strike as stored: 1-bit, 2-bit or 4-bit rows, padded, even bottom-up.
#pragma once

#include <cstdint>
#include <ft2build.h>
#include FT_FREETYPE_H

// True when every pixel of the bitmap can be read as coverage: 8-bit grey, 1-bit
// mono, 2-bit or 4-bit grey, or an empty bitmap of any mode.
bool glyph_bitmap_readable(const FT_Bitmap &bitmap);

// Coverage 0..255 of the pixel at row (0 = top) and column of a readable bitmap;
// row < bitmap.rows and column < bitmap.width.
uint8_t glyph_bitmap_coverage(const FT_Bitmap &bitmap, uint32_t row, uint32_t column);
