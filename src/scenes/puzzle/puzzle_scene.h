// Scene 1: background, intro strips, the board with its sliding tile, and the
// victory sound and fade.
#pragma once

#include "display/canvas.h"

#include <cstdint>

// The square behind the board, and where it and the grid stand on the Canvas.
constexpr uint16_t BACKING_COLOUR = 0x18CD;
constexpr int32_t BACKING_X = 50;
constexpr int32_t BACKING_Y = 80;
constexpr int32_t BACKING_SIZE = 154;
constexpr int32_t GRID_LEFT = 55;
constexpr int32_t GRID_TOP = 85;
constexpr int32_t TILE_SIZE = 48;

// The intro strips fade in after the scene is entered: the right one from 200 ms
// over 1000 ms, the left one from 700 ms over 2000 ms.
constexpr int32_t RIGHT_STRIP_X = 217;
constexpr int32_t RIGHT_STRIP_Y = 8;
constexpr uint32_t RIGHT_STRIP_START_MS = 200;
constexpr uint32_t RIGHT_STRIP_FADE_MS = 1000;
constexpr int32_t LEFT_STRIP_X = 19;
constexpr int32_t LEFT_STRIP_Y = 15;
constexpr uint32_t LEFT_STRIP_START_MS = 700;
constexpr uint32_t LEFT_STRIP_FADE_MS = 2000;
// From here on the strips are still; the scene may report itself idle.
constexpr uint32_t INTRO_END_MS = LEFT_STRIP_START_MS + LEFT_STRIP_FADE_MS;

// Set by every render of scene 1; the address scene then reveals its text slowly.
extern int32_t puzzle_visited;

// Draws one frame at scene time e and advances the puzzle; 1 when the scene has
// become idle (strips fully shown, nothing sliding or celebrating), else 0.
int puzzle_scene_render(uint32_t e, Canvas *canvas);

// The board part of a frame: first-render shuffle, victory sound and fade, backing
// square, move completion and tiles. 1 while a slide or the victory runs.
int puzzle_board_render(Canvas *canvas);

// Weight of a strip that starts showing at start_ms and is opaque after fade_ms
// more; -1 while it is not drawn at all.
int32_t strip_weight(uint32_t e, uint32_t start_ms, uint32_t fade_ms);

// Board weight dt ms into the victory fade: 256 down to 0.
int32_t victory_fade_weight(uint32_t dt);

// Every pixel p of the backing square becomes ((256 - w) p + w BACKING_COLOUR) >> 8,
// the 16-bit value blended as one number, not channel by channel.
void backing_square(Canvas *canvas, int32_t w);
