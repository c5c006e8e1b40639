// The 100 ms slide between the two scenes: both are rendered once into snapshots,
// then every frame is two block copies of whole rows into frame_canvas.
#pragma once

#include "display/canvas.h"

#include <cstdint>

constexpr uint32_t SLIDE_DURATION_MS = 100;

extern Canvas slide_snapshot[2];
extern uint32_t slide_start_ms;

// Renders both scenes into their snapshots and starts the slide clock.
void slide_prepare();

// Composes one frame (direction 0: to the puzzle, 1: back) and returns 1, or
// returns 0 without touching frame_canvas once the slide is over.
int slide_step(int direction);
