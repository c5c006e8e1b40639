// A copy of a TrueType font whose outline for one character is broken, so that
// FreeType opens the face and sets its size but refuses to load that glyph.
#pragma once

#include <string>

// Writes the copy to `to`; false when the font cannot be read or is not laid out
// as expected (a simple glyph in a 'glyf' table).
bool write_font_with_broken_glyph(const char *from, const std::string &to, char broken);
