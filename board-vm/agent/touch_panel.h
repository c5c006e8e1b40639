// The touch panel the host drives: a uinput device with the panel's raw ranges,
// made before the application starts so that it is the first input device
// (event0, 13:64, the node the application makes).
#pragma once

bool touch_panel_make();
// The pen down at raw panel values, and lifted.
void touch_panel_press(long raw_x, long raw_y);
void touch_panel_release();
