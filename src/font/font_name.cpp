#include "font/font_name.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char PREFIX[] = "concours-";
constexpr size_t PREFIX_LEN = sizeof PREFIX - 1;
constexpr char SUFFIX[] = ".ttf";

// isdigit is only defined for unsigned char values (and EOF): a byte above 127 in a
// file name must not reach it as a negative char.
bool is_digit(char ch) {
    return isdigit(static_cast<unsigned char>(ch)) != 0;
}

} // namespace

bool font_name_matches(const char *name) {
    if (strncmp(name, PREFIX, PREFIX_LEN) != 0) {
        return false;
    }
    const char *p = name + PREFIX_LEN;
    if (!is_digit(*p)) {
        return false;
    }
    while (is_digit(*p)) {
        ++p;
    }
    return strcmp(p, SUFFIX) == 0;
}

// Reads the number the way a "%d" conversion would accept it (leading blanks and a
// sign included), but with strtol's overflow report instead of "%d"'s undefined
// behaviour, so a long run of digits can never wrap into the valid range.
int32_t font_name_pixel_size(const char *name) {
    if (strncmp(name, PREFIX, PREFIX_LEN) != 0) {
        return 0;
    }
    const char *digits = name + PREFIX_LEN;
    char *end = nullptr;
    errno = 0;
    long value = strtol(digits, &end, 10);
    if (end == digits || errno == ERANGE) {
        return 0;
    }
    if (value < FONT_MIN_PIXEL_SIZE || value > FONT_MAX_PIXEL_SIZE) {
        return 0;
    }
    return static_cast<int32_t>(value);
}
