// Fonts from Debian packages (installed by tools/setup-deps) that the tests render:
// an outline font, and one that holds only 1-bit bitmap strikes.
#pragma once

constexpr char DEJAVU_BOLD[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
// Terminus as OpenType bitmaps: strikes 12, 14, 16, 18, 20, 22, 24, 28 and 32
// pixels, no outlines, so FreeType hands out the stored MONO glyphs.
constexpr char TERMINUS_BOLD[] = "/usr/share/fonts/opentype/terminus/terminus-bold.otb";
