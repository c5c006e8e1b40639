#include "front/render_options.h"

#include "scenario/scenario.h"

#include <cstring>
#include <sstream>
#include <vector>

const char RENDER_USAGE[] =
    "usage: ipslide-sim render --scene address|puzzle --elapsed MS [OPTIONS]\n"
    "  --address TEXT    the address the DHCP script delivered (absent: none yet)\n"
    "  --visited         the puzzle has been shown (the address is revealed slowly)\n"
    "  --stick DIR       folder holding concours-N.ttf (default: the simulator's stick,\n"
    "                    DejaVu Sans Condensed Bold as concours-48.ttf)\n"
    "  --font-size N     the default stick's font named concours-N.ttf instead\n"
    "  --board C0,...,C8 puzzle layout, tile per cell, 8 the empty cell (no shuffle)\n"
    "  --slide CELL,MS   the tile in CELL was touched at puzzle time MS\n"
    "  --victory MS      the solved board began to fade at puzzle time MS\n"
    "  --out FILE.png    where the 320x240 screen goes (default render.png)\n";

namespace {

constexpr long MAX_MS = 0xFFFFFFFFL;

std::vector<std::string> split_commas(const std::string &text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');) {
        parts.push_back(part);
    }
    return parts;
}

// Nine tiles, each of 0..8 exactly once.
bool parse_board(const std::string &text, int32_t board[9]) {
    std::vector<std::string> parts = split_commas(text);
    bool seen[9] = {};
    if (parts.size() != 9) {
        return false;
    }
    for (int i = 0; i < 9; ++i) {
        long v = 0;
        if (!parse_int_arg(parts[i], 0, 8, &v) || seen[v]) {
            return false;
        }
        seen[v] = true;
        board[i] = static_cast<int32_t>(v);
    }
    return true;
}

bool parse_slide(const std::string &text, RenderOptions *o) {
    std::vector<std::string> parts = split_commas(text);
    long cell = 0;
    long ms = 0;
    if (parts.size() != 2 || !parse_int_arg(parts[0], 0, 8, &cell) ||
        !parse_int_arg(parts[1], 0, MAX_MS, &ms)) {
        return false;
    }
    o->slide_cell = static_cast<int32_t>(cell);
    o->slide_ms = static_cast<uint32_t>(ms);
    return o->has_slide = true;
}

bool parse_ms(const std::string &text, uint32_t *ms) {
    long v = 0;
    if (!parse_int_arg(text, 0, MAX_MS, &v)) {
        return false;
    }
    *ms = static_cast<uint32_t>(v);
    return true;
}

// One option with its value; false when the value does not fit the option.
bool take_value(const std::string &flag, const std::string &value, RenderOptions *o,
                bool *elapsed_seen) {
    if (flag == "--scene") {
        o->puzzle = value == "puzzle";
        return value == "puzzle" || value == "address";
    }
    if (flag == "--elapsed") {
        *elapsed_seen = true;
        return parse_ms(value, &o->elapsed_ms);
    }
    if (flag == "--address") {
        o->address = value;
        return o->has_address = true;
    }
    if (flag == "--stick") {
        o->stick = value;
        return !value.empty();
    }
    if (flag == "--font-size") {
        long n = 0;
        bool ok = parse_int_arg(value, 0, 99999, &n);
        o->font_size = static_cast<int32_t>(n);
        return ok;
    }
    if (flag == "--board") {
        return o->has_board = parse_board(value, o->board);
    }
    if (flag == "--slide") {
        return parse_slide(value, o);
    }
    if (flag == "--victory") {
        return o->has_victory = parse_ms(value, &o->victory_ms);
    }
    if (flag == "--out") {
        o->out = value;
        return !value.empty();
    }
    return false;
}

} // namespace

bool parse_render_options(int argc, char **argv, RenderOptions *o, std::string *error) {
    bool elapsed_seen = false;
    for (int i = 1; i < argc; ++i) {
        std::string flag = argv[i];
        if (flag == "--visited") {
            o->visited = true;
            continue;
        }
        if (i + 1 >= argc) {
            *error = flag + " needs a value";
            return false;
        }
        if (!take_value(flag, argv[i + 1], o, &elapsed_seen)) {
            *error = "bad option " + flag + " " + argv[i + 1];
            return false;
        }
        ++i;
    }
    if (!elapsed_seen) {
        *error = "--elapsed MS is required";
        return false;
    }
    return true;
}
