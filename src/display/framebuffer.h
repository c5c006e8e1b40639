// The LCD through /dev/fb0: one fixed 320x240 RGB565 mode, the screen memory
// mapped once, and the quarter-turned copy of frame_canvas into it.
#pragma once

#include "display/canvas.h"

#include <linux/fb.h>

constexpr int SCREEN_W = 320;
constexpr int SCREEN_H = 240;
constexpr int SCREEN_BYTES = SCREEN_W * SCREEN_H * 2;

// The Canvas the shown scene is rendered into and the slide composes.
extern Canvas frame_canvas;

// The video mode the application asks the driver for.
fb_var_screeninfo fb_video_mode();

// Sets the mode and maps the screen, or ends the process with status 1.
void fb_open();

// Copies frame_canvas to the screen, turned a quarter turn counter-clockwise.
void fb_present();
