// The command line of `ipslide-sim render`: which scene, at what elapsed time,
// with which address, font stick and puzzle layout.
#pragma once

#include <cstdint>
#include <string>

struct RenderOptions {
    bool puzzle = false;      // --scene puzzle (default: the address scene)
    uint32_t elapsed_ms = 0;  // --elapsed MS, the scene's clock
    bool has_address = false; // --address TEXT; absent: no address yet
    std::string address;
    bool visited = false;   // --visited: the puzzle has been shown
    std::string stick;      // --stick DIR; empty: the default stick
    int32_t font_size = 48; // --font-size N: the default stick's font as concours-N.ttf
    bool has_board = false;
    int32_t board[9] = {};
    bool has_slide = false; // --slide CELL,MS: the tile in CELL touched at puzzle time MS
    int32_t slide_cell = 0;
    uint32_t slide_ms = 0;
    bool has_victory = false; // --victory MS: the solved board's fade began at MS
    uint32_t victory_ms = 0;
    std::string out = "render.png";
};

extern const char RENDER_USAGE[];

// False with *error set on a bad command line (argv[0] is "render").
bool parse_render_options(int argc, char **argv, RenderOptions *o, std::string *error);
