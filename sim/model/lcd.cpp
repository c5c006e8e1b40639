#include "model/lcd.h"

#include <cstring>

namespace {

struct Field {
    const char *name;
    uint32_t fb_var_screeninfo::*member;
    uint32_t expected;
};

constexpr Field FIELDS[] = {
    {"xres", &fb_var_screeninfo::xres, SCREEN_W},
    {"yres", &fb_var_screeninfo::yres, SCREEN_H},
    {"xres_virtual", &fb_var_screeninfo::xres_virtual, SCREEN_W},
    {"yres_virtual", &fb_var_screeninfo::yres_virtual, SCREEN_H},
    {"xoffset", &fb_var_screeninfo::xoffset, 0},
    {"yoffset", &fb_var_screeninfo::yoffset, 0},
    {"bits_per_pixel", &fb_var_screeninfo::bits_per_pixel, 16},
    {"grayscale", &fb_var_screeninfo::grayscale, 0},
    {"nonstd", &fb_var_screeninfo::nonstd, 0},
    {"activate", &fb_var_screeninfo::activate, 0},
    {"height", &fb_var_screeninfo::height, SCREEN_H},
    {"width", &fb_var_screeninfo::width, SCREEN_W},
    {"accel_flags", &fb_var_screeninfo::accel_flags, 0},
    {"pixclock", &fb_var_screeninfo::pixclock, 170000},
    {"left_margin", &fb_var_screeninfo::left_margin, 5},
    {"right_margin", &fb_var_screeninfo::right_margin, 69},
    {"upper_margin", &fb_var_screeninfo::upper_margin, 11},
    {"lower_margin", &fb_var_screeninfo::lower_margin, 5},
    {"hsync_len", &fb_var_screeninfo::hsync_len, 2},
    {"vsync_len", &fb_var_screeninfo::vsync_len, 2},
    {"sync", &fb_var_screeninfo::sync, 0},
    {"vmode", &fb_var_screeninfo::vmode, 0},
    {"rotate", &fb_var_screeninfo::rotate, 0},
    {"colorspace", &fb_var_screeninfo::colorspace, 0},
};

bool same_bitfield(const fb_bitfield &f, uint32_t offset, uint32_t length) {
    return f.offset == offset && f.length == length && f.msb_right == 0;
}

} // namespace

std::string fb_mode_mismatch(const fb_var_screeninfo &mode) {
    for (const Field &f : FIELDS) {
        if (mode.*f.member != f.expected) {
            return std::string(f.name) + " is " + std::to_string(mode.*f.member) +
                   ", the panel needs " + std::to_string(f.expected);
        }
    }
    if (!same_bitfield(mode.red, 11, 5) || !same_bitfield(mode.green, 5, 6) ||
        !same_bitfield(mode.blue, 0, 5) || !same_bitfield(mode.transp, 0, 0)) {
        return "colour fields are not RGB565";
    }
    for (uint32_t word : mode.reserved) {
        if (word != 0) {
            return "reserved words are not zero";
        }
    }
    return "";
}
