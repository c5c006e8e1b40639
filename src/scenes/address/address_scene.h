// Scene 0: the leased address in large digits, a pulsing placeholder until it
// arrives, and the turning wireframe.
#pragma once

#include "display/canvas.h"

#include <cstdint>

// Draws one frame at the scene's elapsed time; always 0 (the scene never idles).
int address_scene_render(uint32_t elapsed_ms, Canvas *canvas);
