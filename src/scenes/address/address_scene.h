// Scene 0: the leased address in large digits, a pulsing placeholder until it
// arrives, and the turning wireframe.
#pragma once

#include "display/canvas.h"

#include <cstdint>

constexpr uint32_t PLACEHOLDER_PERIOD_MS = 2400;
constexpr uint32_t PLACEHOLDER_RISE_MS = 800;
constexpr uint32_t PLACEHOLDER_FALL_MS = 1600;
constexpr int32_t PLACEHOLDER_X = 112;
constexpr int32_t PLACEHOLDER_Y = 37;

// Once the puzzle has been shown, each character starts 100 ms after the one
// before it and fades in over 300 ms; before that the address appears at once.
constexpr uint32_t REVEAL_STEP_MS = 100;
constexpr uint32_t REVEAL_FADE_MS = 300;

// The text is centred on the middle of the Canvas.
constexpr int32_t TEXT_CENTRE_X = 120;
constexpr int32_t TEXT_CENTRE_Y = 160;

// The address pipe delivers at most this many characters.
constexpr int ADDRESS_MAX_CHARS = 15;

// One glyph cell as the scene lays it out: top-left Canvas corner, glyph index and
// weight. The cell is text_height columns wide and glyph_widths[glyph] rows high.
struct GlyphBlit {
    int32_t x;
    int32_t y;
    int32_t glyph;
    int32_t weight;
};

// The placeholder's opacity, 0..256, rising over 800 ms and falling over 1600 ms.
int32_t placeholder_weight(uint32_t elapsed_ms);

// The cells drawn for text at this time, in drawing order (at most the first
// ADDRESS_MAX_CHARS characters); returns how many. Characters not started yet are
// left out. visited selects the stepped reveal.
int address_layout(uint32_t elapsed_ms, const char *text, int32_t visited,
                   GlyphBlit out[ADDRESS_MAX_CHARS]);

// Draws one frame at the scene's elapsed time; always 0 (the scene never idles).
int address_scene_render(uint32_t elapsed_ms, Canvas *canvas);
