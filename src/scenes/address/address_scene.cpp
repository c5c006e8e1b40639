#include "scenes/address/address_scene.h"

#include "assets/images.h"
#include "display/backgrounds.h"
#include "display/raster.h"
#include "font/text_metrics.h"
#include "scenes/address/wireframe.h"
#include "scenes/puzzle/puzzle_scene.h"
#include "workers/net_worker.h"

#include <cstring>

namespace {

// A half-open range [lo, hi) of Canvas columns or rows.
struct Span {
    int64_t lo;
    int64_t hi;
};

Span intersect(Span a, Span b) {
    return {a.lo > b.lo ? a.lo : b.lo, a.hi < b.hi ? a.hi : b.hi};
}

// A glyph cell that reaches past the Canvas, or whose band of atlas rows or cell
// columns reaches past the atlas image (large pixel sizes, long texts), is cut to
// the part that exists on both; the rest of the cell is simply not drawn. A cell
// inside both is the plain blit of the whole cell. Computed in 64 bits so no
// metric can overflow the bounds.
void draw_glyph(Canvas *canvas, const GlyphBlit &cell) {
    int64_t x = cell.x;
    int64_t y = cell.y;
    int64_t band = glyph_offsets[cell.glyph];
    Span cols = intersect({x, x + text_height}, {0, CANVAS_W});
    cols = intersect(cols, {x, x + ATLAS_W});
    Span rows = intersect({y, y + glyph_widths[cell.glyph]}, {0, CANVAS_H});
    rows = intersect(rows, {y - band, y - band + ATLAS_H});
    if (cols.lo >= cols.hi || rows.lo >= rows.hi) {
        return;
    }
    const uint16_t *src = atlas_pixels + (band + rows.lo - y) * ATLAS_W + (cols.lo - x);
    blend_blit(canvas, static_cast<int32_t>(cols.lo), static_cast<int32_t>(rows.lo), src,
               static_cast<int32_t>(cols.hi - cols.lo), static_cast<int32_t>(rows.hi - rows.lo),
               ATLAS_W, cell.weight);
}

void draw_address(uint32_t elapsed_ms, Canvas *canvas) {
    GlyphBlit cells[ADDRESS_MAX_CHARS];
    int n = address_layout(elapsed_ms, address_text(), puzzle_visited, cells);
    for (int i = 0; i < n; ++i) {
        draw_glyph(canvas, cells[i]);
    }
}

void draw_placeholder(uint32_t elapsed_ms, Canvas *canvas) {
    blend_blit(canvas, PLACEHOLDER_X, PLACEHOLDER_Y, img_address_placeholder, ADDRESS_PLACEHOLDER_W,
               ADDRESS_PLACEHOLDER_H, ADDRESS_PLACEHOLDER_W, placeholder_weight(elapsed_ms));
}

} // namespace

// Integer forms of the two ratios; they equal the double ratios truncated.
int32_t placeholder_weight(uint32_t elapsed_ms) {
    uint32_t b = elapsed_ms % PLACEHOLDER_PERIOD_MS;
    if (b < PLACEHOLDER_RISE_MS) {
        return static_cast<int32_t>(b * 256 / PLACEHOLDER_RISE_MS);
    }
    return static_cast<int32_t>(256 * (PLACEHOLDER_PERIOD_MS - b) / PLACEHOLDER_FALL_MS);
}

// Character k starts at k * step and fades in over `fade`; with step and fade 0
// (puzzle not yet shown) every character is opaque at once.
int address_layout(uint32_t elapsed_ms, const char *text, int32_t visited,
                   GlyphBlit out[ADDRESS_MAX_CHARS]) {
    uint32_t step = visited != 0 ? REVEAL_STEP_MS : 0;
    uint32_t fade = visited != 0 ? REVEAL_FADE_MS : 0;
    int32_t x0 = TEXT_CENTRE_X - text_height / 2;
    int32_t y = TEXT_CENTRE_Y - text_width / 2;
    uint32_t d = elapsed_ms;
    int n = 0;
    for (const char *p = text; *p != '\0' && n < ADDRESS_MAX_CHARS; ++p) {
        int32_t weight = d >= fade ? 256 : static_cast<int32_t>(d * 256 / REVEAL_FADE_MS);
        int32_t glyph = glyph_index(*p);
        out[n++] = {x0, y, glyph, weight};
        y += glyph_widths[glyph];
        if (d < step) {
            break;
        }
        d -= step;
    }
    return n;
}

int address_scene_render(uint32_t elapsed_ms, Canvas *canvas) {
    memcpy(canvas, &scene_background[SCENE_ADDRESS], sizeof(Canvas));
    if (address_text()[0] == '\0') {
        draw_placeholder(elapsed_ms, canvas);
    } else {
        draw_address(elapsed_ms, canvas);
    }
    wireframe_draw(elapsed_ms, canvas);
    return 0;
}
