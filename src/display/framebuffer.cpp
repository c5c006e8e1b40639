#include "display/framebuffer.h"

#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>

Canvas frame_canvas;

namespace {
uint16_t *fb_pixels;
}

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

// Canvas row y becomes screen column y, filled from the bottom row upwards. The
// source is read in order; the destination steps one screen row (320 pixels) up.
void fb_present() {
    const uint16_t *src = frame_canvas.px;
    uint16_t *column_bottom = fb_pixels + (SCREEN_H - 1) * SCREEN_W;
    for (int y = 0; y < CANVAS_H; ++y) {
        uint16_t *dst = column_bottom + y;
        for (int x = 0; x < CANVAS_W; ++x) {
            *dst = *src++;
            dst -= SCREEN_W;
        }
    }
}
