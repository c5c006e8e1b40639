#include "display/raster.h"

#include <cstring>

namespace {

// One pixel blended channel by channel; each product fits easily in 32 bits.
inline uint16_t blend_pixel(uint32_t src, uint32_t dst, uint32_t weight, uint32_t keep) {
    uint32_t r = (weight * (src >> 11) + keep * (dst >> 11)) >> 8;
    uint32_t g = (weight * ((src >> 5) & 0x3F) + keep * ((dst >> 5) & 0x3F)) >> 8;
    uint32_t b = (weight * (src & 0x1F) + keep * (dst & 0x1F)) >> 8;
    return static_cast<uint16_t>(r << 11 | g << 5 | b);
}

} // namespace

void blend_blit(Canvas *canvas, int32_t x, int32_t y, const uint16_t *image, int32_t width,
                int32_t height, int32_t image_stride, int32_t weight) {
    if (height <= 0 || width <= 0) {
        return;
    }
    uint16_t *dst_row = canvas->px + y * CANVAS_W + x;
    const uint16_t *src_row = image;
    // Weight 256 keeps every channel of the source exactly: a row copy says the same.
    if (weight == 256) {
        for (int32_t r = 0; r < height; ++r) {
            memcpy(dst_row, src_row, static_cast<size_t>(width) * sizeof(uint16_t));
            dst_row += CANVAS_W;
            src_row += image_stride;
        }
        return;
    }
    uint32_t w = static_cast<uint32_t>(weight);
    uint32_t keep = 256u - w;
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            dst_row[c] = blend_pixel(src_row[c], dst_row[c], w, keep);
        }
        dst_row += CANVAS_W;
        src_row += image_stride;
    }
}

void draw_line(Canvas *canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    int32_t dx = x1 > x0 ? x1 - x0 : x0 - x1;
    int32_t dy = y1 > y0 ? y1 - y0 : y0 - y1;
    int32_t sx = x0 < x1 ? 1 : -1;
    int32_t sy = y0 < y1 ? 1 : -1;
    int32_t err = dx - dy;
    int32_t x = x0;
    int32_t y = y0;
    for (;;) {
        canvas->px[y * CANVAS_W + x] = 0;
        if (x == x1 && y == y1) {
            return;
        }
        int32_t e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x += sx;
        }
        if (e2 < dx) {
            err += dx;
            y += sy;
        }
    }
}
