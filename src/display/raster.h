// The two drawing operations every picture is made of. Neither clips: the caller
// keeps every pixel inside the Canvas.
#pragma once

#include "display/canvas.h"

#include <cstdint>

// Lays width x height pixels of image (rows image_stride apart) onto the Canvas at
// (x, y), each channel blended as (weight * src + (256 - weight) * dst) >> 8.
void blend_blit(Canvas *canvas, int32_t x, int32_t y, const uint16_t *image, int32_t width,
                int32_t height, int32_t image_stride, int32_t weight);

// Integer Bresenham from (x0, y0) to (x1, y1), both ends drawn, black.
void draw_line(Canvas *canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
