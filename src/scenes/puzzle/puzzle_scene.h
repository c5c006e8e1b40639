// Scene 1: background, intro strips, the board with its sliding tile, and the
// victory sound and fade.
#pragma once

#include "display/canvas.h"

#include <cstdint>

// Set by every render of scene 1; the address scene then reveals its text slowly.
extern int32_t puzzle_visited;

// Draws one frame at scene time e; 1 when the scene has become idle.
int puzzle_scene_render(uint32_t e, Canvas *canvas);
