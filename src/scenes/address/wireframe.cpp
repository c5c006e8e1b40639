#include "scenes/address/wireframe.h"

#include "display/raster.h"

#include <cmath>

namespace {

constexpr double TWO_PI = 6.283185307179586;
// k * pi / 4 as the nearest doubles, added to the angle rather than multiplied in,
// so every frame gets the same eight phases bit for bit.
constexpr double RING_PHASE[8] = {
    0.0,
    0.7853981633974483,
    1.5707963267948966,
    2.356194490192345,
    3.141592653589793,
    3.9269908169872414,
    4.71238898038469,
    5.497787143782138,
};

WireVertex model_point(float depth, float lateral, float height) {
    WireVertex v{};
    v.depth = depth;
    v.lateral = lateral;
    v.height = height;
    return v;
}

void build_model(uint32_t elapsed_ms, WireVertex v[WIRE_VERTICES]) {
    double theta = static_cast<double>(elapsed_ms) * TWO_PI / static_cast<double>(WIRE_TURN_MS);
    v[WIRE_APEX] = model_point(3.0f, 0.0f, 0.0f);
    for (int k = 0; k < 8; ++k) {
        double theta_k = theta + RING_PHASE[k];
        float ck = static_cast<float>(std::cos(theta_k));
        float sk = static_cast<float>(std::sin(theta_k));
        v[WIRE_INNER_FIRST + k] = model_point(ck, sk, 1.5f);
        v[WIRE_OUTER_FIRST + k] = model_point(ck + ck, sk + sk, 1.0f);
    }
}

// The ratios stay in single precision; the screen transform runs in double, one
// operation at a time from the left, and truncates toward zero. Halving is an
// arithmetic shift (rounding down), the same as division here since a and b are
// always positive.
void project(WireVertex *v) {
    v->depth += WIRE_EYE_OFFSET;
    v->height_ratio = v->height / v->depth;
    v->lateral_ratio = v->lateral / v->depth;
    double across = static_cast<double>(v->height_ratio) * -400.0 + 400.0 - 127.0 - 120.0;
    int32_t a = static_cast<int32_t>(across);
    v->col = ((240 - a) >> 1) + 156;
    double along = (static_cast<double>(v->lateral_ratio) + 1.0) * 400.0 * 0.5 - 5.0 - 75.0;
    int32_t b = static_cast<int32_t>(along);
    v->row = (b >> 1) + 230;
}

bool outer_near(const WireVertex &v) {
    return static_cast<double>(v.depth) <= WIRE_OUTER_LIMIT;
}

bool inner_near(const WireVertex &v) {
    return v.depth <= WIRE_INNER_LIMIT;
}

} // namespace

void wireframe_project(uint32_t elapsed_ms, WireVertex out[WIRE_VERTICES]) {
    build_model(elapsed_ms, out);
    for (int i = 0; i < WIRE_VERTICES; ++i) {
        project(&out[i]);
    }
}

// Spokes and ribs first, then the ring edges side by side, then the two closing
// edges; each edge runs from the first vertex named to the second.
int wireframe_edges(const WireVertex v[WIRE_VERTICES], WireEdge out[WIRE_MAX_EDGES]) {
    int n = 0;
    for (int k = 0; k < 8; ++k) {
        int outer = WIRE_OUTER_FIRST + k;
        int inner = WIRE_INNER_FIRST + k;
        if (outer_near(v[outer])) {
            out[n++] = {WIRE_APEX, outer};
        }
        if (inner_near(v[inner]) && inner_near(v[outer])) {
            out[n++] = {inner, outer};
        }
    }
    for (int k = 0; k < 7; ++k) {
        int inner = WIRE_INNER_FIRST + k;
        int outer = WIRE_OUTER_FIRST + k;
        if (inner_near(v[inner]) && inner_near(v[inner + 1])) {
            out[n++] = {inner, inner + 1};
        }
        if (outer_near(v[outer]) && outer_near(v[outer + 1])) {
            out[n++] = {outer, outer + 1};
        }
    }
    if (inner_near(v[WIRE_INNER_FIRST]) && inner_near(v[WIRE_INNER_FIRST + 7])) {
        out[n++] = {WIRE_INNER_FIRST, WIRE_INNER_FIRST + 7};
    }
    if (outer_near(v[WIRE_OUTER_FIRST]) && outer_near(v[WIRE_OUTER_FIRST + 7])) {
        out[n++] = {WIRE_OUTER_FIRST, WIRE_OUTER_FIRST + 7};
    }
    return n;
}

void wireframe_draw(uint32_t elapsed_ms, Canvas *canvas) {
    WireVertex v[WIRE_VERTICES];
    WireEdge edges[WIRE_MAX_EDGES];
    wireframe_project(elapsed_ms, v);
    int n = wireframe_edges(v, edges);
    for (int i = 0; i < n; ++i) {
        const WireVertex &a = v[edges[i].from];
        const WireVertex &b = v[edges[i].to];
        draw_line(canvas, a.col, a.row, b.col, b.row);
    }
}
