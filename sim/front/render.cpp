// ipslide-sim render: the still made by the shared renderer (still/still.h, the
// code the board's frame program runs too), written as PNG once the simulated
// /dev/fb0 has checked the video mode the application set.
#include "front/render.h"

#include "display/framebuffer.h"
#include "front/screen_png.h"
#include "model/lcd.h"
#include "still/still.h"

#include <cstdio>
#include <string>

namespace {

constexpr char PROGRAM[] = "ipslide-sim render";

// The driver takes exactly the panel's mode, as the simulated /dev/fb0 does.
bool write_png(const char *path, const uint16_t *screen, const fb_var_screeninfo &mode) {
    std::string why = fb_mode_mismatch(mode);
    if (!why.empty()) {
        fprintf(stderr, "%s: /dev/fb0 refuses the video mode: %s\n", PROGRAM, why.c_str());
        return false;
    }
    if (!write_rgb565_png(path, screen, SCREEN_W, SCREEN_H)) {
        fprintf(stderr, "%s: cannot write %s\n", PROGRAM, path);
        return false;
    }
    return true;
}

} // namespace

int render_main(int argc, char **argv) {
    return still_main(PROGRAM, argc, argv, write_png);
}
