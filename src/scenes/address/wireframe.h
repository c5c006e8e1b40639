// The small gem-shaped wireframe that turns in a corner of scene 0.
#pragma once

#include "display/canvas.h"

#include <cstdint>

void wireframe_draw(uint32_t elapsed_ms, Canvas *canvas);
