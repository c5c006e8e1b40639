#include "still/still_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <getopt.h>

namespace {

const char OPTION_LINES[] =
    "  --address TEXT    the address the DHCP script delivered (absent: none yet)\n"
    "  --visited         the puzzle has been shown (the address is revealed slowly)\n"
    "  --stick DIR       folder holding concours-N.ttf (default: the simulator's stick,\n"
    "                    DejaVu Sans Condensed Bold as concours-48.ttf)\n"
    "  --font-size N     the default stick's font named concours-N.ttf instead\n"
    "  --board C0,...,C8 puzzle layout, tile per cell, 8 the empty cell (no shuffle)\n"
    "  --slide CELL,MS   the tile in CELL was touched at puzzle time MS\n"
    "  --victory MS      the solved board began to fade at puzzle time MS\n"
    "  --out FILE.png    where the 320x240 screen goes (default render.png)\n";

// A time on the 32-bit millisecond clock.
constexpr long long MAX_MS = 0xFFFFFFFFLL;

const option OPTIONS[] = {
    {"scene", required_argument, nullptr, 's'},   {"elapsed", required_argument, nullptr, 'e'},
    {"address", required_argument, nullptr, 'a'}, {"visited", no_argument, nullptr, 'v'},
    {"stick", required_argument, nullptr, 'k'},   {"font-size", required_argument, nullptr, 'f'},
    {"board", required_argument, nullptr, 'b'},   {"slide", required_argument, nullptr, 'l'},
    {"victory", required_argument, nullptr, 'V'}, {"out", required_argument, nullptr, 'o'},
    {"help", no_argument, nullptr, 'h'},          {nullptr, 0, nullptr, 0},
};

// The decimal number at *text up to the character `end`, within 0..max; *text is
// then past that character.
bool next_number(const char **text, char end, long long max, long long *value) {
    char *stop = nullptr;
    errno = 0;
    long long v = strtoll(*text, &stop, 10);
    if (stop == *text || errno != 0 || *stop != end || v < 0 || v > max) {
        return false;
    }
    *value = v;
    *text = stop + 1;
    return true;
}

bool one_number(const char *text, long long max, long long *value) {
    return next_number(&text, '\0', max, value);
}

// Nine tiles, each of 0..8 exactly once.
bool parse_board(const char *text, int32_t board[9]) {
    bool seen[9] = {};
    for (int i = 0; i < 9; ++i) {
        long long v = 0;
        if (!next_number(&text, i < 8 ? ',' : '\0', 8, &v) || seen[v]) {
            return false;
        }
        seen[v] = true;
        board[i] = static_cast<int32_t>(v);
    }
    return true;
}

bool parse_slide(const char *text, StillOptions *o) {
    long long cell = 0;
    long long ms = 0;
    if (!next_number(&text, ',', 8, &cell) || !next_number(&text, '\0', MAX_MS, &ms)) {
        return false;
    }
    o->slide_cell = static_cast<int32_t>(cell);
    o->slide_ms = static_cast<uint32_t>(ms);
    return o->has_slide = true;
}

bool parse_ms(const char *text, uint32_t *ms) {
    long long v = 0;
    if (!one_number(text, MAX_MS, &v)) {
        return false;
    }
    *ms = static_cast<uint32_t>(v);
    return true;
}

// One option with its value; false when the value does not fit the option.
bool take(int option, const char *value, StillOptions *o) {
    long long n = 0;
    switch (option) {
    case 's':
        o->puzzle = strcmp(value, "puzzle") == 0;
        return o->puzzle || strcmp(value, "address") == 0;
    case 'e':
        return parse_ms(value, &o->elapsed_ms);
    case 'a':
        o->address = value;
        return true;
    case 'v':
        return o->visited = true;
    case 'k':
        o->stick = value;
        return value[0] != '\0';
    case 'f':
        if (!one_number(value, 99999, &n)) {
            return false;
        }
        o->font_size = static_cast<int32_t>(n);
        return true;
    case 'b':
        return o->has_board = parse_board(value, o->board);
    case 'l':
        return parse_slide(value, o);
    case 'V':
        return o->has_victory = parse_ms(value, &o->victory_ms);
    case 'o':
        o->out = value;
        return value[0] != '\0';
    default:
        return false;
    }
}

// After the refusal's own message, the usage.
StillCommand refused(const char *program) {
    print_still_usage(program, stderr);
    return STILL_BAD_COMMAND_LINE;
}

} // namespace

void print_still_usage(const char *program, FILE *to) {
    fprintf(to, "usage: %s --scene address|puzzle --elapsed MS [OPTIONS]\n%s", program,
            OPTION_LINES);
}

StillCommand parse_still_options(const char *program, int argc, char **argv, StillOptions *o) {
    bool elapsed_seen = false;
    // '+': no reordering of argv, so a stray word is refused on every C library;
    // ':': a missing value is told apart from an unknown option.
    opterr = 0;
    int index = 0;
    for (int option; (option = getopt_long(argc, argv, "+:", OPTIONS, &index)) != -1;) {
        const char *flag = argv[optind - 1];
        if (option == ':') {
            fprintf(stderr, "%s: %s needs a value\n", program, flag);
            return refused(program);
        }
        if (option == '?') {
            fprintf(stderr, "%s: bad option %s\n", program, flag);
            return refused(program);
        }
        if (option == 'h') {
            return STILL_HELP;
        }
        if (!take(option, optarg, o)) {
            fprintf(stderr, "%s: bad option --%s %s\n", program, OPTIONS[index].name, optarg);
            return refused(program);
        }
        elapsed_seen = elapsed_seen || option == 'e';
    }
    if (optind < argc) {
        fprintf(stderr, "%s: bad option %s\n", program, argv[optind]);
        return refused(program);
    }
    if (!elapsed_seen) {
        fprintf(stderr, "%s: --elapsed MS is required\n", program);
        return refused(program);
    }
    return STILL_RENDER;
}
