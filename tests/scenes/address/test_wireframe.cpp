// The turning wireframe: exact projections and edge sets at known phases, the
// drawing direction of each edge, and the area it stays in for every time.
#include "display/raster.h"
#include "scenes/address/wireframe.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Point {
    int32_t col;
    int32_t row;
};

// At angle 0: apex, outer ring k = 0..7, inner ring k = 0..7.
constexpr Point AT_ZERO[WIRE_VERTICES] = {
    {199, 290}, {216, 290}, {217, 302}, {220, 310}, {223, 306}, {224, 290},
    {223, 273}, {220, 269}, {217, 277}, {227, 290}, {228, 296}, {230, 300},
    {232, 297}, {233, 290}, {232, 282}, {230, 279}, {228, 283},
};

std::vector<std::pair<int, int>> edges_at(uint32_t elapsed_ms) {
    WireVertex v[WIRE_VERTICES];
    WireEdge e[WIRE_MAX_EDGES];
    wireframe_project(elapsed_ms, v);
    int n = wireframe_edges(v, e);
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < n; ++i) {
        out.emplace_back(e[i].from, e[i].to);
    }
    return out;
}

bool has_edge(const std::vector<std::pair<int, int>> &edges, int from, int to) {
    for (const auto &e : edges) {
        if (e.first == from && e.second == to) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<Canvas> white_canvas() {
    auto c = std::make_unique<Canvas>();
    for (uint16_t &p : c->px) {
        p = 0xFFFF;
    }
    return c;
}

TEST(WireframeProjection, AtZeroEveryVertexLandsOnItsPixel) {
    WireVertex v[WIRE_VERTICES];
    wireframe_project(0, v);
    for (int i = 0; i < WIRE_VERTICES; ++i) {
        EXPECT_EQ(v[i].col, AT_ZERO[i].col) << "vertex " << i;
        EXPECT_EQ(v[i].row, AT_ZERO[i].row) << "vertex " << i;
    }
    // The depth tests see the shifted depth; k = 2 and 6 sit exactly on 10.0.
    EXPECT_EQ(v[WIRE_APEX].depth, 13.0f);
    EXPECT_EQ(v[WIRE_INNER_FIRST + 2].depth, 10.0f);
    EXPECT_EQ(v[WIRE_INNER_FIRST + 6].depth, 10.0f);
    EXPECT_EQ(v[WIRE_OUTER_FIRST + 2].depth, 10.0f);
    EXPECT_EQ(v[WIRE_OUTER_FIRST + 6].depth, 10.0f);
}

// The eighteen edges that pass at angle 0, in drawing order.
const std::vector<std::pair<int, int>> EDGES_AT_ZERO = {
    {0, 3},  {11, 3},  {0, 4}, {12, 4},  {0, 5}, {13, 5},  {0, 6}, {14, 6},  {0, 7},
    {15, 7}, {11, 12}, {3, 4}, {12, 13}, {4, 5}, {13, 14}, {5, 6}, {14, 15}, {6, 7},
};

TEST(WireframeEdges, AtZeroEighteenEdgesInDrawingOrder) {
    EXPECT_EQ(edges_at(0), EDGES_AT_ZERO);
}

TEST(WireframeEdges, AtTwoHundredFiftyFourteenEdges) {
    std::vector<std::pair<int, int>> expected = {
        {0, 3},  {11, 3},  {0, 4}, {12, 4},  {0, 5}, {13, 5},  {0, 6},
        {14, 6}, {11, 12}, {3, 4}, {12, 13}, {4, 5}, {13, 14}, {5, 6},
    };
    EXPECT_EQ(edges_at(250), expected);
}

// At 20 degrees outer vertex 6 (cosine 0.342) passes the 10.7 limit while inner
// vertex 6 fails 10.0: its spoke and outer edge 5-6 show, its rib and inner edge do not.
TEST(WireframeEdges, NearTwentyDegreesOuterRingReachesFurther) {
    auto edges = edges_at(222);
    EXPECT_EQ(edges.size(), 16u);
    EXPECT_TRUE(has_edge(edges, 0, 7));
    EXPECT_TRUE(has_edge(edges, 6, 7));
    EXPECT_FALSE(has_edge(edges, 15, 7));
    EXPECT_FALSE(has_edge(edges, 14, 15));
    // The outer vertex passes while its cosine is at most 0.35 (290.5 degrees).
    for (uint32_t e = 1; e <= 227; ++e) {
        EXPECT_EQ(edges_at(e).size(), 16u) << "elapsed " << e;
    }
    EXPECT_EQ(edges_at(228).size(), 14u);
}

TEST(WireframeEdges, SameFigureEveryEighthOfATurn) {
    for (uint32_t base : {0u, 250u, 222u}) {
        for (uint32_t turn = 1; turn < 8; ++turn) {
            EXPECT_EQ(edges_at(base + turn * 500).size(), edges_at(base).size());
        }
    }
}

// Drawing each edge the other way sets different pixels (Bresenham is not
// symmetric), so the frame is compared with the edges drawn in their stated order.
TEST(WireframeDraw, DrawsTheListedEdgesFromFirstToSecondVertex) {
    auto expected = white_canvas();
    auto reversed = white_canvas();
    for (const auto &[first, second] : EDGES_AT_ZERO) {
        Point a = AT_ZERO[first];
        Point b = AT_ZERO[second];
        draw_line(expected.get(), a.col, a.row, b.col, b.row);
        draw_line(reversed.get(), b.col, b.row, a.col, a.row);
    }
    auto drawn = white_canvas();
    wireframe_draw(0, drawn.get());
    EXPECT_TRUE(memcmp(drawn.get(), expected.get(), sizeof(Canvas)) == 0);
    EXPECT_FALSE(memcmp(drawn.get(), reversed.get(), sizeof(Canvas)) == 0);
}

// Any elapsed time, however large, only turns the figure: the apex stays put, the
// rings keep to their bands and no pixel leaves columns 199..233, rows 269..310.
TEST(WireframeDraw, StaysInItsCornerForEveryElapsedTime) {
    // Every millisecond of one turn, and times spread over the whole 32-bit range.
    std::vector<uint32_t> times = {0xFFFFFFFFu, 0xFFFFFFFEu, 0x80000000u, 4000u * 1073741u};
    for (uint32_t e = 0; e < WIRE_TURN_MS; ++e) {
        times.push_back(e);
    }
    for (uint64_t e = 0; e <= 0xFFFFFFFFull; e += 1048573ull) {
        times.push_back(static_cast<uint32_t>(e));
    }
    WireVertex v[WIRE_VERTICES];
    for (uint32_t e : times) {
        wireframe_project(e, v);
        EXPECT_EQ(v[WIRE_APEX].col, 199);
        EXPECT_EQ(v[WIRE_APEX].row, 290);
        for (int k = 0; k < 8; ++k) {
            const WireVertex &o = v[WIRE_OUTER_FIRST + k];
            const WireVertex &i = v[WIRE_INNER_FIRST + k];
            ASSERT_TRUE(o.col >= 216 && o.col <= 224 && o.row >= 269 && o.row <= 310) << e;
            ASSERT_TRUE(i.col >= 227 && i.col <= 233 && i.row >= 279 && i.row <= 300) << e;
        }
        int n = static_cast<int>(edges_at(e).size());
        ASSERT_TRUE(n == 14 || n == 16 || n == 18) << e;
    }
    auto canvas = white_canvas();
    for (size_t t = 0; t < times.size(); t += 20) {
        wireframe_draw(times[t], canvas.get());
    }
    for (int y = 0; y < CANVAS_H; ++y) {
        for (int x = 0; x < CANVAS_W; ++x) {
            bool inside = x >= 199 && x <= 233 && y >= 269 && y <= 310;
            if (!inside) {
                ASSERT_EQ(canvas->px[y * CANVAS_W + x], 0xFFFF) << x << "," << y;
            }
        }
    }
}

} // namespace
