// The address as any 15 bytes, at any pixel size from 1 to 300, at any time and
// either reveal, drawn by the real address scene into a Canvas with a guard band
// on both sides: no pixel outside the Canvas may change, and no read may leave
// the atlas (the sanitizer watches the atlas copies, each its own allocation).
//
// Input: pixel size (2 bytes), elapsed milliseconds (4), puzzle visited (1), then
// up to 15 bytes of address text as the pipe delivers it.
#include "display/backgrounds.h"
#include "display/canvas.h"
#include "font/glyph_atlas.h"
#include "font/text_metrics.h"
#include "scenes/address/address_scene.h"
#include "scenes/puzzle/puzzle_internal.h"
#include "scenes/puzzle/puzzle_scene.h"
#include "still/still_board.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr char FONT[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr size_t GUARD = 4096; // pixels on each side of the Canvas
constexpr uint16_t GUARD_PIXEL = 0xA5C3;

struct Atlas {
    std::vector<uint16_t> pixels;
    int32_t offsets[GLYPH_COUNT];
    int32_t widths[GLYPH_COUNT];
    int32_t height;
};

// One atlas per pixel size, built by the real code on first use.
const Atlas &atlas_for(int32_t size) {
    static std::map<int32_t, std::unique_ptr<Atlas>> atlases;
    std::unique_ptr<Atlas> &slot = atlases[size];
    if (!slot) {
        std::string name = "concours-" + std::to_string(size) + ".ttf";
        glyph_atlas_build(name.c_str(), FONT);
        slot = std::make_unique<Atlas>();
        slot->pixels.assign(glyph_atlas_pixels(), glyph_atlas_pixels() + ATLAS_W * ATLAS_H);
        glyph_atlas_metrics(slot->offsets, slot->widths, &slot->height);
    }
    return *slot;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // The atlas writes a line per glyph to standard error; the sanitizers keep theirs.
    stderr = fopen("/dev/null", "w");
    glyph_atlas_build("concours-48.ttf", FONT);
    compose_backgrounds();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 7) {
        return 0;
    }
    int32_t pixel_size = (data[0] << 8 | data[1]) % 300 + 1;
    uint32_t elapsed;
    memcpy(&elapsed, data + 2, 4);
    puzzle_mark_visited(data[6] & 1);
    size_t text_size = size - 7 > 15 ? 15 : size - 7;

    const Atlas &atlas = atlas_for(pixel_size);
    atlas_pixels = atlas.pixels.data();
    memcpy(glyph_offsets, atlas.offsets, sizeof glyph_offsets);
    memcpy(glyph_widths, atlas.widths, sizeof glyph_widths);
    glyph_height = atlas.height;
    // Through the real address pipe, as the script's bytes in one write.
    if (!still::deliver_address(reinterpret_cast<const char *>(data + 7), text_size)) {
        __builtin_trap();
    }

    std::vector<uint16_t> band(GUARD + CANVAS_PIXELS + GUARD, GUARD_PIXEL);
    Canvas *canvas = reinterpret_cast<Canvas *>(band.data() + GUARD);
    if (address_scene_render(elapsed, canvas) != 0) {
        __builtin_trap();
    }
    for (size_t i = 0; i < GUARD; ++i) {
        if (band[i] != GUARD_PIXEL || band[GUARD + CANVAS_PIXELS + i] != GUARD_PIXEL) {
            __builtin_trap();
        }
    }
    return 0;
}
