// Start-up order and the two nested scene loops of the main process.
#pragma once

#include "display/canvas.h"

#include <cstdint>

// Screen regions a touch is tested against, in Canvas coordinates.
enum TouchRegion {
    REGION_NONE,
    REGION_BOTTOM_LEFT,  // x < 30 and y > 245: switches scenes
    REGION_TOP_LEFT,     // x < 30 and y < 30: puzzle one move from solved
    REGION_BOTTOM_RIGHT, // x > 210 and y > 290: reshuffle the puzzle
};

TouchRegion touch_region(int32_t x, int32_t y);

// Renders the scene into frame_canvas at its elapsed time; nonzero means idle.
int scene_render(SceneId scene);

// Runs the start-up steps in their fixed order; every failure ends the process.
void app_startup();

// Handles the events of one scene-0 wait; returns 1 when the user asked for the
// puzzle (the address event of that wait is then left to the slide back).
int scene0_handle_events(int events);

// Handles the events of one scene-1 wait; returns 1 when the user asked to leave.
int scene1_handle_events(int events);

// Slides to the puzzle, runs its loop, and slides back to the address scene.
void run_puzzle_visit();

// Start-up, then the scene loops for ever.
[[noreturn]] void app_main();
