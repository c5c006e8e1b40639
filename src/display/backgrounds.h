// The two static scene backgrounds, composed once at start-up from the embedded
// pictures, and the hand-over of the glyph atlas to the address scene.
#pragma once

#include "display/canvas.h"

extern Canvas scene_background[2];

void compose_backgrounds();
