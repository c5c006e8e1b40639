// The time base every animation runs on: a wrapping 32-bit millisecond clock and
// one start time per scene. Durations are unsigned wrap-around differences, so the
// clock passing 2^32 does not disturb anything shorter than 2^32 ms.
#pragma once

#include "display/canvas.h"

#include <cstdint>

// Monotonic milliseconds, wrapping at 2^32; 0 when the clock cannot be read.
uint32_t now_ms();

// Starts both scene clocks at one reading of now_ms().
void time_base_init();

void scene_mark_start(SceneId scene);
uint32_t scene_elapsed_ms(SceneId scene);
