#include "display/raster.h"

#include <cstdint>
#include <cstring>

// blend_blit runs for every glyph, strip, tile and the placeholder of every frame,
// so its loops are written for the board's ARM920T: pointer stepping, two pixels
// per 32-bit load and store where the Canvas address allows it, and plain copies
// or nothing at all where the weight makes the blend exact (256 and 0). Every path
// gives the very pixels of the per-channel formula.

namespace {

// Two RGB565 pixels read or written as one 32-bit word: the left pixel is the
// low half (little-endian). may_alias: the same memory is read as uint16_t too.
typedef uint32_t __attribute__((may_alias)) PixelPair;

// One channel of both pixels of a word, each in its own 16-bit lane.
constexpr uint32_t FIVE_BITS_EACH = 0x001F001F;
constexpr uint32_t SIX_BITS_EACH = 0x003F003F;

struct Weights {
    uint32_t take; // the image's share, 0..256
    uint32_t keep; // the Canvas's share, 256 - take
};

// One pixel blended channel by channel; each product fits easily in 32 bits.
[[gnu::always_inline]] inline uint16_t blend_pixel(uint32_t src, uint32_t dst, Weights w) {
    uint32_t r = (w.take * (src >> 11) + w.keep * (dst >> 11)) >> 8;
    uint32_t g = (w.take * ((src >> 5) & 0x3F) + w.keep * ((dst >> 5) & 0x3F)) >> 8;
    uint32_t b = (w.take * (src & 0x1F) + w.keep * (dst & 0x1F)) >> 8;
    return static_cast<uint16_t>(r << 11 | g << 5 | b);
}

// The weights and the lane masks of the two-pixel blend, all kept in registers
// for a whole loop.
struct PairBlend {
    uint32_t take;
    uint32_t keep;
    uint32_t five; // FIVE_BITS_EACH
    uint32_t six;  // SIX_BITS_EACH
};

// The masks are made opaque to the compiler: otherwise it folds each final shift
// into a mask of its own (0xF800F800, 0x07E007E0), and with two more constants the
// loop no longer fits the register file and reloads them on every pair.
inline PairBlend pair_blend(Weights w) {
    PairBlend p{w.take, w.keep, FIVE_BITS_EACH, SIX_BITS_EACH};
    asm("" : "+r"(p.five), "+r"(p.six));
    return p;
}

// One channel of two pixels with one multiply-accumulate pair: in each lane the
// weighted sum is at most 63 * 256 < 2^14, so it never carries into the lane
// above, and shifting right by 8 then masking truncates each lane on its own.
[[gnu::always_inline]] inline uint32_t blend_lanes(uint32_t src, uint32_t dst, uint32_t mask,
                                                   const PairBlend &p) {
    return ((src & mask) * p.take + (dst & mask) * p.keep) >> 8 & mask;
}

// Two pixels at once, the same channel arithmetic as blend_pixel for each.
[[gnu::always_inline]] inline uint32_t blend_pair(uint32_t src, uint32_t dst, const PairBlend &p) {
    uint32_t b = blend_lanes(src, dst, p.five, p);
    uint32_t g = blend_lanes(src >> 5, dst >> 5, p.six, p);
    uint32_t r = blend_lanes(src >> 11, dst >> 11, p.five, p);
    return (r << 6 | g) << 5 | b;
}

inline bool word_aligned(const void *p) {
    return (reinterpret_cast<uintptr_t>(p) & 3) == 0;
}

// Word-aligned destination and source; pairs >= 1. Kept out of line so the whole
// register file is free for the loop: the masks and weights stay in registers.
[[gnu::noinline]] void blend_pairs(PixelPair *dst, const PixelPair *src, int32_t pairs,
                                   Weights weights) {
    PairBlend w = pair_blend(weights);
    PixelPair *end = dst + pairs;
    do {
        *dst = blend_pair(*src++, *dst, w);
    } while (++dst != end);
}

// Word-aligned destination, source on a half word; pairs >= 1. Each source pair
// is the high half of one aligned word and the low half of the next. The first
// and the last pixel are read as half words, so nothing outside the image is read.
[[gnu::noinline]] void blend_pairs_from_halves(PixelPair *dst, const uint16_t *src, int32_t pairs,
                                               Weights weights) {
    PairBlend w = pair_blend(weights);
    uint32_t carry = src[0];
    uint32_t final_pixel = src[2 * pairs - 1];
    PixelPair *const last = dst + pairs - 1;
    if (dst != last) {
        const PixelPair *words = reinterpret_cast<const PixelPair *>(src + 1);
        do {
            uint32_t next = *words++;
            *dst = blend_pair(carry | next << 16, *dst, w);
            carry = next >> 16;
        } while (++dst != last);
    }
    *dst = blend_pair(carry | final_pixel << 16, *dst, w);
}

// A row: a first pixel alone when the Canvas address is not on a word, then
// pairs, then a last pixel alone when one is left.
void blend_row(uint16_t *dst, const uint16_t *src, int32_t n, Weights w) {
    if (!word_aligned(dst)) {
        *dst = blend_pixel(*src++, *dst, w);
        ++dst;
        --n;
    }
    int32_t pairs = n >> 1;
    PixelPair *dst_pairs = reinterpret_cast<PixelPair *>(dst);
    if (pairs == 0) {
        // nothing between the first and the last pixel
    } else if (word_aligned(src)) {
        blend_pairs(dst_pairs, reinterpret_cast<const PixelPair *>(src), pairs, w);
    } else {
        blend_pairs_from_halves(dst_pairs, src, pairs, w);
    }
    if (n & 1) {
        dst += 2 * pairs;
        src += 2 * pairs;
        *dst = blend_pixel(*src, *dst, w);
    }
}

// Weights outside 0..256 make channels overflow into their neighbours; they take
// the plain per-pixel formula so even those pixels stay what it gives.
void blend_rows_any_weight(uint16_t *dst_row, const uint16_t *src_row, int32_t width,
                           int32_t height, int32_t image_stride, int32_t weight) {
    Weights w{static_cast<uint32_t>(weight), 256u - static_cast<uint32_t>(weight)};
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            dst_row[c] = blend_pixel(src_row[c], dst_row[c], w);
        }
        dst_row += CANVAS_W;
        src_row += image_stride;
    }
}

} // namespace

void blend_blit(Canvas *canvas, int32_t x, int32_t y, const uint16_t *image, int32_t width,
                int32_t height, int32_t image_stride, int32_t weight) {
    if (height <= 0 || width <= 0) {
        return;
    }
    uint16_t *dst_row = canvas->px + y * CANVAS_W + x;
    const uint16_t *src_row = image;
    if (weight < 0 || weight > 256) {
        blend_rows_any_weight(dst_row, src_row, width, height, image_stride, weight);
        return;
    }
    // Weight 0 keeps every Canvas pixel exactly: writing it back changes nothing.
    if (weight == 0) {
        return;
    }
    // Weight 256 keeps every channel of the source exactly: a row copy says the same.
    if (weight == 256) {
        for (int32_t r = 0; r < height; ++r) {
            memcpy(dst_row, src_row, static_cast<size_t>(width) * sizeof(uint16_t));
            dst_row += CANVAS_W;
            src_row += image_stride;
        }
        return;
    }
    Weights w{static_cast<uint32_t>(weight), 256u - static_cast<uint32_t>(weight)};
    for (int32_t r = 0; r < height; ++r) {
        blend_row(dst_row, src_row, width, w);
        dst_row += CANVAS_W;
        src_row += image_stride;
    }
}

// The Canvas address steps along with x and y: one step of sx pixels, one of sy
// rows, never a multiplication per pixel. Every pixel of the line lies inside the
// Canvas (the caller's promise), so the address of (x1, y1) is reached exactly when
// (x, y) = (x1, y1).
void draw_line(Canvas *canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    int32_t dx = x1 > x0 ? x1 - x0 : x0 - x1;
    int32_t dy = y1 > y0 ? y1 - y0 : y0 - y1;
    int32_t sx = x0 < x1 ? 1 : -1;
    int32_t row_step = y0 < y1 ? CANVAS_W : -CANVAS_W;
    int32_t err = dx - dy;
    uint16_t *p = canvas->px + y0 * CANVAS_W + x0;
    const uint16_t *last = canvas->px + y1 * CANVAS_W + x1;
    for (;;) {
        *p = 0;
        if (p == last) {
            return;
        }
        int32_t e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            p += sx;
        }
        if (e2 < dx) {
            err += dx;
            p += row_step;
        }
    }
}
