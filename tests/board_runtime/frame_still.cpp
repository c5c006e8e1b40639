// One still of a scene, built exactly like the board binary (same runtime, same
// flags) and run under QEMU's ARMv4T CPU, so that the golden frames prove the
// board's C library, maths and soft-float draw what the simulator draws. It
// takes the arguments of a line of tests/golden/cases.txt and makes the still
// the way `ipslide-sim render` does (font by the stick's name, backgrounds,
// address through the address pipe, clocks from 0), then writes the 320x240
// screen as raw RGB565 (native order) to --out.
//
// `frame_still --strerror N` prints this C library's text for errno N, for the
// tests that match the board binary's perror messages whole.
//
// Usage: frame_still --scene address|puzzle --elapsed MS [--address TEXT]
//        [--visited] [--font-size N] [--board C,...] [--slide CELL,MS]
//        [--victory MS] [--font FILE.ttf] --out FILE
#include "bench_world.h"

#include "app/main_loop.h"
#include "app/time_base.h"
#include "display/backgrounds.h"
#include "display/framebuffer.h"
#include "scenes/puzzle/puzzle_board.h"
#include "scenes/puzzle/puzzle_internal.h"
#include "scenes/puzzle/puzzle_scene.h"
#include "support/test_board.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Still {
    bool puzzle = false;
    uint32_t elapsed_ms = 0;
    const char *address = nullptr;
    bool visited = false;
    int font_size = 48;
    const char *font = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";
    bool has_board = false;
    int32_t board[9] = {};
    bool has_slide = false;
    int32_t slide_cell = 0;
    uint32_t slide_ms = 0;
    bool has_victory = false;
    uint32_t victory_ms = 0;
    const char *out = nullptr;
};

// "a,b,c" into up to max numbers; the count read.
int numbers(const char *text, uint32_t *values, int max) {
    int n = 0;
    for (const char *p = text; n < max; ++p) {
        char *end = nullptr;
        values[n++] = static_cast<uint32_t>(strtoul(p, &end, 10));
        if (*end != ',') {
            return end == p || *end != '\0' ? -1 : n;
        }
        p = end;
    }
    return -1;
}

bool take(const char *flag, const char *value, Still *s) {
    uint32_t v[9];
    if (strcmp(flag, "--scene") == 0) {
        s->puzzle = strcmp(value, "puzzle") == 0;
        return s->puzzle || strcmp(value, "address") == 0;
    }
    if (strcmp(flag, "--address") == 0) {
        s->address = value;
        return true;
    }
    if (strcmp(flag, "--font") == 0 || strcmp(flag, "--out") == 0) {
        (flag[2] == 'f' ? s->font : s->out) = value;
        return true;
    }
    if (strcmp(flag, "--board") == 0 && numbers(value, v, 9) == 9) {
        for (int i = 0; i < 9; ++i) {
            s->board[i] = static_cast<int32_t>(v[i]);
        }
        return s->has_board = true;
    }
    if (strcmp(flag, "--slide") == 0 && numbers(value, v, 2) == 2) {
        s->slide_cell = static_cast<int32_t>(v[0]);
        s->slide_ms = v[1];
        return s->has_slide = true;
    }
    if (numbers(value, v, 1) != 1) {
        return false;
    }
    if (strcmp(flag, "--elapsed") == 0) {
        s->elapsed_ms = v[0];
    } else if (strcmp(flag, "--font-size") == 0) {
        s->font_size = static_cast<int>(v[0]);
    } else if (strcmp(flag, "--victory") == 0) {
        s->victory_ms = v[0];
        s->has_victory = true;
    } else {
        return false;
    }
    return true;
}

bool parse(int argc, char **argv, Still *s) {
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--visited") == 0) {
            s->visited = true;
        } else if (i + 1 >= argc || !take(argv[i], argv[i + 1], s)) {
            fprintf(stderr, "frame_still: bad option %s\n", argv[i]);
            return false;
        } else {
            ++i;
        }
    }
    return s->out != nullptr;
}

// A touch on the middle of the cell's tile at puzzle time ms; the fanfare of a
// victory counts as played.
void play(const Still &s) {
    if (s.has_slide) {
        bench_set_clock_ms(s.slide_ms);
        int32_t x = GRID_LEFT + TILE_SIZE * (2 - s.slide_cell / 3) + TILE_SIZE / 2;
        int32_t y = GRID_TOP + TILE_SIZE * (s.slide_cell % 3) + TILE_SIZE / 2;
        puzzle_touch(x, y);
    }
    if (s.has_victory) {
        puzzle_victory_since(s.victory_ms);
    }
}

void render(const Still &s) {
    bench_world_open();
    test_board::stderr_off();
    bench_build_atlas(s.font, s.font_size);
    test_board::stderr_on();
    compose_backgrounds();
    if (s.address != nullptr && s.address[0] != '\0') {
        bench_deliver_address(s.address);
    }
    puzzle_mark_visited(s.visited ? 1 : 0);
    if (s.has_board) {
        puzzle_place(s.board);
    }
    bench_set_clock_ms(0);
    time_base_init();
    play(s);
    bench_set_clock_ms(s.elapsed_ms);
    scene_render(s.puzzle ? SCENE_PUZZLE : SCENE_ADDRESS);
    fb_present();
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 3 && strcmp(argv[1], "--strerror") == 0) {
        puts(strerror(atoi(argv[2])));
        return 0;
    }
    Still s;
    if (!parse(argc, argv, &s)) {
        return 2;
    }
    render(s);
    FILE *out = fopen(s.out, "wb");
    if (out == nullptr) {
        perror(s.out);
        return 1;
    }
    size_t pixels = SCREEN_W * SCREEN_H;
    bool written = fwrite(bench_screen(), sizeof(uint16_t), pixels, out) == pixels;
    return fclose(out) == 0 && written ? 0 : 1;
}
