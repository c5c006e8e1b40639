// The small gem-shaped wireframe that turns in a corner of scene 0: 17 vertices
// rebuilt from the elapsed time on every frame, projected in perspective, and only
// the edges of the near side drawn with one-pixel black lines.
#pragma once

#include "display/canvas.h"

#include <cstdint>

constexpr uint32_t WIRE_TURN_MS = 4000;
constexpr float WIRE_EYE_OFFSET = 10.0f;
// The outer ring and its spokes show over a wider arc than the inner ring and the
// ribs; the outer limit is compared in double, the inner one in single precision.
constexpr double WIRE_OUTER_LIMIT = 10.7;
constexpr float WIRE_INNER_LIMIT = 10.0f;

constexpr int WIRE_VERTICES = 17;
constexpr int WIRE_APEX = 0;
constexpr int WIRE_OUTER_FIRST = 1; // outer ring: vertices 1..8
constexpr int WIRE_INNER_FIRST = 9; // inner ring: vertices 9..16
constexpr int WIRE_MAX_EDGES = 32;

// One vertex: model coordinates (depth already moved away by WIRE_EYE_OFFSET once
// projected), the perspective ratios and the Canvas position.
struct WireVertex {
    float depth;
    float lateral;
    float height;
    float height_ratio;
    float lateral_ratio;
    int32_t col;
    int32_t row;
};

// An edge to draw, from vertex `from` to vertex `to` (the direction picks pixels).
struct WireEdge {
    int32_t from;
    int32_t to;
};

// Builds and projects the 17 vertices for this point of the turn.
void wireframe_project(uint32_t elapsed_ms, WireVertex out[WIRE_VERTICES]);

// The edges that pass their depth tests, in drawing order; returns how many.
int wireframe_edges(const WireVertex v[WIRE_VERTICES], WireEdge out[WIRE_MAX_EDGES]);

void wireframe_draw(uint32_t elapsed_ms, Canvas *canvas);
