#include "corrupt_font.h"

#include <cstdint>
#include <fstream>
#include <ft2build.h>
#include <iterator>
#include <vector>
#include FT_FREETYPE_H

namespace {

uint32_t be16(const std::vector<uint8_t> &b, size_t at) {
    return at + 2 <= b.size() ? static_cast<uint32_t>(b[at] << 8 | b[at + 1]) : 0;
}
uint32_t be32(const std::vector<uint8_t> &b, size_t at) {
    return be16(b, at) << 16 | be16(b, at + 2);
}

// The offset of a table in the file, from the table directory; 0 when absent.
size_t table(const std::vector<uint8_t> &font, const char (&tag)[5]) {
    uint32_t count = be16(font, 4);
    for (uint32_t i = 0; i < count; ++i) {
        size_t record = 12 + 16 * static_cast<size_t>(i);
        if (record + 16 <= font.size() && std::equal(tag, tag + 4, font.begin() + record)) {
            return be32(font, record + 8);
        }
    }
    return 0;
}

unsigned glyph_index(const char *path, char ch) {
    FT_Library library;
    FT_Face face;
    unsigned index = 0;
    if (FT_Init_FreeType(&library) == 0) {
        if (FT_New_Face(library, path, 0, &face) == 0) {
            index = FT_Get_Char_Index(face, static_cast<unsigned char>(ch));
            FT_Done_Face(face);
        }
        FT_Done_FreeType(library);
    }
    return index;
}

} // namespace

// The glyph's first contour end becomes 0xFFFF, which FreeType reads as -1: an
// outline it rejects when the glyph is loaded.
bool write_font_with_broken_glyph(const char *from, const std::string &to, char broken) {
    std::ifstream in(from, std::ios::binary);
    std::vector<uint8_t> font((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    unsigned index = glyph_index(from, broken);
    size_t head = table(font, "head"), loca = table(font, "loca"), glyf = table(font, "glyf");
    if (index == 0 || head == 0 || loca == 0 || glyf == 0) {
        return false;
    }
    bool long_offsets = be16(font, head + 50) != 0;
    size_t offset = long_offsets ? be32(font, loca + 4 * index) : 2 * be16(font, loca + 2 * index);
    size_t glyph = glyf + offset;
    int16_t contours = static_cast<int16_t>(be16(font, glyph));
    if (contours <= 0 || glyph + 12 > font.size()) {
        return false;
    }
    font[glyph + 10] = 0xFF;
    font[glyph + 11] = 0xFF;
    std::ofstream out(to, std::ios::binary);
    out.write(reinterpret_cast<const char *>(font.data()),
              static_cast<std::streamsize>(font.size()));
    out.close(); // the last bytes reach the file here, and a failure shows here
    return static_cast<bool>(out);
}
