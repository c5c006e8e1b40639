// One still of a scene, made in this process by the application's own code:
// `ipslide-sim render` and the board's frame program are this one command, each
// with its own way of writing the screen, so that the golden frames are made by
// the same code on the PC and on the board's runtime.
#pragma once

#include <cstdint>
#include <linux/fb.h>

// Puts the finished 320x240 RGB565 screen, with the video mode the application
// set, into the file at path; false, with a message, when it cannot.
using StillWriter = bool (*)(const char *path, const uint16_t *screen,
                             const fb_var_screeninfo &mode);

// The whole command (still_options.h has its options): argv[0] is the command's
// name, `program` starts every message. Returns the exit status: 0, 1 when the
// still cannot be made or written, 2 on a bad command line.
int still_main(const char *program, int argc, char **argv, StillWriter write);
