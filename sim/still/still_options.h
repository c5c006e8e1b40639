// The command line of a still: which scene, at what elapsed time, with which
// address, font stick and puzzle layout, and where the screen goes.
#pragma once

#include <cstdint>
#include <cstdio>

struct StillOptions {
    bool puzzle = false;           // --scene puzzle (default: the address scene)
    uint32_t elapsed_ms = 0;       // --elapsed MS, the scene's clock
    const char *address = nullptr; // --address TEXT; absent: no address yet
    bool visited = false;          // --visited: the puzzle has been shown
    const char *stick = nullptr;   // --stick DIR; absent: the default stick
    int32_t font_size = 48;        // --font-size N: the default stick's font as concours-N.ttf
    bool has_board = false;        // --board C0,...,C8
    int32_t board[9] = {};
    bool has_slide = false; // --slide CELL,MS: the tile in CELL touched at puzzle time MS
    int32_t slide_cell = 0;
    uint32_t slide_ms = 0;
    bool has_victory = false; // --victory MS: the solved board's fade began at MS
    uint32_t victory_ms = 0;
    const char *out = "render.png"; // --out FILE
};

enum StillCommand { STILL_RENDER, STILL_HELP, STILL_BAD_COMMAND_LINE };

// Reads argv (argv[0] is the command's name) with getopt_long. A bad command line
// is reported on standard error, as `program: ` and what is wrong, then the usage.
StillCommand parse_still_options(const char *program, int argc, char **argv, StillOptions *o);

// The usage, its first line naming `program`.
void print_still_usage(const char *program, FILE *to);
