// The LCD behind /dev/fb0 as its driver takes it: exactly the panel's one mode,
// 320x240 RGB565 (SCREEN_W and SCREEN_H, the application's own), one screen of
// memory whose lines follow each other without padding.
#pragma once

#include "display/framebuffer.h"

#include <cerrno>
#include <cstddef>
#include <linux/fb.h>
#include <string>

constexpr size_t LCD_PIXELS = static_cast<size_t>(SCREEN_W) * SCREEN_H;
constexpr size_t LCD_LINE_BYTES = static_cast<size_t>(SCREEN_W) * 2;
// FBIOPUT_VSCREENINFO with any other mode fails with this errno, the mode unset.
constexpr int LCD_MODE_REFUSED = EINVAL;

// Empty when the mode is the panel's; otherwise the first field that differs.
std::string fb_mode_mismatch(const fb_var_screeninfo &mode);
