#include "display/framebuffer.h"

#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>

// Word-aligned, so that fb_present can read it four pixel pairs at a time.
alignas(8) Canvas frame_canvas;

namespace {

uint16_t *fb_pixels;

// Stores one pixel and moves one screen row up. The empty asm makes the pointer a
// value the compiler must keep in a register after every step, so the store and
// the step become one instruction (strh with a register post-decrement) instead of
// a store at a computed offset plus address arithmetic.
[[gnu::always_inline]] inline void put_pixel(uint16_t *&dst, uint32_t pixel, int32_t row_step) {
    *dst = static_cast<uint16_t>(pixel);
    dst -= row_step;
    asm("" : "+r"(dst));
}

// A word holds two Canvas pixels, the left one in its low half (little-endian).
[[gnu::always_inline]] inline void put_pair(uint16_t *&dst, uint32_t pair, int32_t row_step) {
    put_pixel(dst, pair, row_step);
    put_pixel(dst, pair >> 16, row_step);
}

struct PixelOctet {
    uint32_t pair[4];
};

// Eight Canvas pixels from src (word-aligned), which moves on by four words. On
// the ARM one LDM reads them into four registers; the compiler would otherwise
// spend three or four loads, as it will not pick the ascending registers an LDM
// needs. The memory operand tells it which Canvas words the asm reads.
[[gnu::always_inline]] inline void put_octet(uint16_t *&dst, const uint32_t *&src,
                                             int32_t row_step) {
#if defined(__arm__) && !defined(__thumb__)
    register uint32_t a asm("r4");
    register uint32_t b asm("r5");
    register uint32_t c asm("r6");
    register uint32_t d asm("r7");
    asm("ldmia %[src]!, {%[a], %[b], %[c], %[d]}"
        : [src] "+r"(src), [a] "=r"(a), [b] "=r"(b), [c] "=r"(c), [d] "=r"(d)
        : "m"(*reinterpret_cast<const PixelOctet *>(src)));
#else
    PixelOctet octet;
    memcpy(&octet, src, sizeof octet);
    src += 4;
    uint32_t a = octet.pair[0];
    uint32_t b = octet.pair[1];
    uint32_t c = octet.pair[2];
    uint32_t d = octet.pair[3];
#endif
    put_pair(dst, a, row_step);
    put_pair(dst, b, row_step);
    put_pair(dst, c, row_step);
    put_pair(dst, d, row_step);
}

} // namespace

fb_var_screeninfo fb_video_mode() {
    fb_var_screeninfo mode{};
    mode.xres = 320;
    mode.yres = 240;
    mode.xres_virtual = 320;
    mode.yres_virtual = 240;
    mode.bits_per_pixel = 16;
    mode.red = {11, 5, 0};
    mode.green = {5, 6, 0};
    mode.blue = {0, 5, 0};
    mode.activate = FB_ACTIVATE_NOW;
    // The driver's "physical size" fields carry the resolution on this panel.
    mode.height = 240;
    mode.width = 320;
    mode.pixclock = 170000;
    mode.left_margin = 5;
    mode.right_margin = 69;
    mode.upper_margin = 11;
    mode.lower_margin = 5;
    mode.hsync_len = 2;
    mode.vsync_len = 2;
    return mode;
}

void fb_open() {
    int fd = platform.open("/dev/fb0", O_RDWR, 0);
    if (fd < 0) {
        perror("open /dev/fb0");
        exit(1);
    }
    fb_var_screeninfo mode = fb_video_mode();
    if (platform.ioctl(fd, FBIOPUT_VSCREENINFO, &mode) != 0) {
        perror("ioctl");
        exit(1);
    }
    void *mem = platform.mmap(nullptr, SCREEN_BYTES, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mem == MAP_FAILED) {
        perror("mmap /dev/fb0");
        exit(1);
    }
    fb_pixels = static_cast<uint16_t *>(mem);
    platform.close(fd);
}

// Canvas row y becomes screen column y, filled from the bottom row upwards: the
// Canvas is read in order, sixteen pixels per turn, and every pixel is one 16-bit
// store one screen row (320 pixels) above the one before.
void fb_present() {
    const uint32_t *src = reinterpret_cast<const uint32_t *>(frame_canvas.px);
    uint16_t *column_bottom = fb_pixels + (SCREEN_H - 1) * SCREEN_W;
    // A register, not a constant: 640 bytes is no immediate offset of a 16-bit store.
    int32_t row_step = SCREEN_W;
    asm("" : "+r"(row_step));
    for (int y = 0; y < CANVAS_H; ++y) {
        uint16_t *dst = column_bottom + y;
        const uint32_t *row_end = src + CANVAS_W / 2;
        do {
            put_octet(dst, src, row_step);
            put_octet(dst, src, row_step);
        } while (src != row_end);
    }
}
