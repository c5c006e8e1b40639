#include "font/freetype_calls.h"

namespace {

constexpr FreeTypeCalls LIBRARY = {
    .init_freetype = FT_Init_FreeType,
    .new_face = FT_New_Face,
    .set_pixel_sizes = FT_Set_Pixel_Sizes,
    .load_char = FT_Load_Char,
    .done_face = FT_Done_Face,
    .done_freetype = FT_Done_FreeType,
};

} // namespace

FreeTypeCalls freetype = LIBRARY;

const FreeTypeCalls &freetype_library() {
    return LIBRARY;
}
