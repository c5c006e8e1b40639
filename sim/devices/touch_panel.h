// The touch panel behind the node "/tmp/touch": a FIFO into which the simulator
// writes real 16-byte input event records.
#pragma once

#include <cstdint>
#include <sys/types.h>

struct SimOptions;

int touch_panel_mknod(const char *path, mode_t mode, dev_t dev);

// Pen on the panel, in screen pixels as a person sees the LCD (landscape), or at
// raw panel values the application's calibration maps.
void touch_panel_press(int screen_x, int screen_y);
void touch_panel_press_raw(int32_t raw_x, int32_t raw_y);
void touch_panel_release();

// Bytes sent that the touch reader has not read yet; -1 before it made its node.
int touch_panel_queued_bytes();
