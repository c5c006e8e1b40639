// The portrait picture every scene draws into: 240 pixels wide, 320 high, RGB565,
// row stride 240 pixels. On the landscape LCD a Canvas row becomes a screen column.
#pragma once

#include <cstdint>

constexpr int CANVAS_W = 240;
constexpr int CANVAS_H = 320;
constexpr int CANVAS_PIXELS = CANVAS_W * CANVAS_H;

struct Canvas {
    uint16_t px[CANVAS_PIXELS];
};
static_assert(sizeof(Canvas) == 153600);

// Scene identifiers index the backgrounds, the slide snapshots and the clocks.
using SceneId = int;
constexpr SceneId SCENE_ADDRESS = 0;
constexpr SceneId SCENE_PUZZLE = 1;
