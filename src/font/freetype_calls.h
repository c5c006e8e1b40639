// FreeType's six entry points as glyph_atlas_build calls them, in one table that
// the board never changes. It is the font's own small seam: tests make single
// calls fail where no font file can (the library's start and the two releases),
// and the fuzzer hands the atlas a face made from memory instead of a file.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

struct FreeTypeCalls {
    FT_Error (*init_freetype)(FT_Library *library);
    FT_Error (*new_face)(FT_Library library, const char *path, FT_Long face_index, FT_Face *face);
    FT_Error (*set_pixel_sizes)(FT_Face face, FT_UInt width, FT_UInt height);
    FT_Error (*load_char)(FT_Face face, FT_ULong char_code, FT_Int32 load_flags);
    FT_Error (*done_face)(FT_Face face);
    FT_Error (*done_freetype)(FT_Library library);
};

extern FreeTypeCalls freetype;

// The table as the library has it.
const FreeTypeCalls &freetype_library();
