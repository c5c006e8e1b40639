// Any bytes as the font file on the stick, at any pixel size from 1 to 300, through
// FreeType to the finished atlas: the real glyph_atlas_build on a face made from
// memory. A font the atlas cannot use ends the process on the board; here those
// exits (exit is wrapped at link time) return to the target, which then releases
// what FreeType still holds.
//
// Input: pixel size (2 bytes), then the font file.
#include "font/freetype_calls.h"
#include "font/glyph_atlas.h"

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

const uint8_t *font_bytes;
size_t font_size;
FT_Library library_in_use; // made by the build and not yet released

std::jmp_buf build_ended;
bool building;

FT_Error init_and_keep(FT_Library *library) {
    FT_Error error = FT_Init_FreeType(library);
    library_in_use = error == 0 ? *library : nullptr;
    return error;
}

FT_Error face_from_memory(FT_Library library, const char *, FT_Long index, FT_Face *face) {
    return FT_New_Memory_Face(library, font_bytes, static_cast<FT_Long>(font_size), index, face);
}

FT_Error release_library(FT_Library library) {
    library_in_use = nullptr;
    return FT_Done_FreeType(library);
}

} // namespace

extern "C" [[noreturn]] void __real_exit(int status);

// The atlas's failures: back to the target. Any other exit is a real one.
extern "C" [[noreturn]] void __wrap_exit(int status) {
    if (building) {
        building = false;
        std::longjmp(build_ended, 1);
    }
    __real_exit(status);
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    stderr = fopen("/dev/null", "w"); // the atlas's line per glyph
    freetype.init_freetype = init_and_keep;
    freetype.new_face = face_from_memory;
    freetype.done_freetype = release_library;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2) {
        return 0;
    }
    int32_t pixel_size = (data[0] << 8 | data[1]) % 300 + 1;
    std::string name = "concours-" + std::to_string(pixel_size) + ".ttf";
    font_bytes = data + 2;
    font_size = size - 2;
    if (setjmp(build_ended) == 0) {
        building = true;
        glyph_atlas_build(name.c_str(), "stick");
        building = false;
        // A finished atlas holds the red band and the red field only.
        const uint16_t *pixels = glyph_atlas_pixels();
        for (int i = 0; i < ATLAS_W * ATLAS_H; ++i) {
            if ((pixels[i] & 0x07FF) != 0) {
                __builtin_trap();
            }
        }
    }
    if (library_in_use != nullptr) {
        FT_Done_FreeType(library_in_use); // its face goes with it
        library_in_use = nullptr;
    }
    return 0;
}
