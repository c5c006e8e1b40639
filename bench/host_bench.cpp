// Microbenchmarks on the PC, for quick checks while changing a drawing loop: the
// raster primitives, the present and whole scene renders, in the same states as
// frame_bench. Host timings say nothing exact about the board; tools/icount does.
//
// Usage: host_bench [Google Benchmark flags] (the font: IPSLIDE_BENCH_FONT, default
// DejaVu Sans Condensed Bold)
#include "bench_world.h"
#include "still/still_board.h"

#include "app/time_base.h"
#include "assets/images.h"
#include "display/backgrounds.h"
#include "display/framebuffer.h"
#include "display/raster.h"
#include "scenes/address/address_scene.h"
#include "scenes/address/wireframe.h"
#include "scenes/puzzle/puzzle_scene.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

void BM_blend_blit_tile(benchmark::State &state) {
    int32_t weight = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        blend_blit(&frame_canvas, 55, 85, img_puzzle_tiles, 48, 48, PUZZLE_TILES_W, weight);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 48 * 48);
}
BENCHMARK(BM_blend_blit_tile)->Arg(0)->Arg(128)->Arg(256);

void BM_draw_line(benchmark::State &state) {
    for (auto _ : state) {
        draw_line(&frame_canvas, 199, 290, 224, 269);
        draw_line(&frame_canvas, 10, 10, 200, 300);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_draw_line);

void BM_backing_square(benchmark::State &state) {
    int32_t weight = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        backing_square(&frame_canvas, weight);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_backing_square)->Arg(128)->Arg(256);

void BM_wireframe_draw(benchmark::State &state) {
    for (auto _ : state) {
        wireframe_draw(2000, &frame_canvas);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_wireframe_draw);

void BM_fb_present(benchmark::State &state) {
    for (auto _ : state) {
        fb_present();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * CANVAS_PIXELS);
}
BENCHMARK(BM_fb_present);

void BM_scene0_placeholder(benchmark::State &state) {
    for (auto _ : state) {
        address_scene_render(400, &frame_canvas);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_scene0_placeholder);

// Registered after the placeholder: once delivered, the address stays.
void BM_scene0_steady(benchmark::State &state) {
    static bool delivered = false;
    if (!delivered) {
        bench_deliver_address("192.168.1.230");
        delivered = true;
    }
    for (auto _ : state) {
        address_scene_render(2000, &frame_canvas);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_scene0_steady);

void BM_scene1_intro(benchmark::State &state) {
    bench_puzzle_still(1000);
    for (auto _ : state) {
        puzzle_scene_render(1000, &frame_canvas);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_scene1_intro);

void BM_scene1_sliding(benchmark::State &state) {
    bench_puzzle_sliding(5000, 50);
    for (auto _ : state) {
        puzzle_scene_render(5000, &frame_canvas);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_scene1_sliding);

void BM_scene1_fade(benchmark::State &state) {
    bench_puzzle_fading(5000, 1000);
    for (auto _ : state) {
        puzzle_scene_render(5000, &frame_canvas);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_scene1_fade);

} // namespace

int main(int argc, char **argv) {
    const char *font = getenv("IPSLIDE_BENCH_FONT");
    bench_world_open();
    still::stderr_off();
    bench_build_atlas(font != nullptr ? font : IPSLIDE_DEFAULT_FONT, 48);
    still::stderr_on();
    compose_backgrounds();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
