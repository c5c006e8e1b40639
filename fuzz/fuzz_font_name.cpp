// Any bytes as a file name on the stick: the name test and the pixel size read
// from it must agree with each other and with what the name says.
#include "font/font_name.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// The name's digit run read as a number, in 64 bits; -1 when it has more digits
// than any size could need (after leading zeros).
int64_t digit_value(const std::string &digits) {
    size_t first = digits.find_first_not_of('0');
    std::string significant = first == std::string::npos ? "" : digits.substr(first);
    if (significant.size() > 6) {
        return -1;
    }
    return significant.empty() ? 0 : std::stoll(significant);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string name(reinterpret_cast<const char *>(data), size);
    name = name.substr(0, name.find('\0'));
    bool matches = font_name_matches(name.c_str());
    int32_t pixel_size = font_name_pixel_size(name.c_str());
    if (pixel_size != 0 && (pixel_size < FONT_MIN_PIXEL_SIZE || pixel_size > FONT_MAX_PIXEL_SIZE)) {
        __builtin_trap();
    }
    const std::string prefix = "concours-", suffix = ".ttf";
    bool shaped = name.size() > prefix.size() + suffix.size() && name.rfind(prefix, 0) == 0 &&
                  name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
    std::string digits =
        shaped ? name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()) : "";
    bool all_digits =
        !digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos;
    if (matches != all_digits) {
        __builtin_trap();
    }
    if (matches) {
        int64_t value = digit_value(digits);
        int32_t expected = value >= FONT_MIN_PIXEL_SIZE && value <= FONT_MAX_PIXEL_SIZE
                               ? static_cast<int32_t>(value)
                               : 0;
        if (pixel_size != expected) {
            __builtin_trap();
        }
    }
    return 0;
}
