// What the address scene reads, set up by hand: a synthetic atlas with its
// metrics, a flat background, and an address delivered through the real address
// pipe path (net_worker_start with the fork and the descriptor shuffle faked,
// then address_receive).
#pragma once

#include "display/canvas.h"

#include <cstdint>
#include <string>
#include <vector>

// The scene background used by the tests; the atlas never holds this value.
constexpr uint16_t TEST_BACKGROUND = 0x1234;

// Atlas pixel (row, col) of the synthetic atlas: odd, so never the background,
// and different across neighbouring rows and columns.
uint16_t test_atlas_pixel(int row, int col);

// Installs the synthetic atlas (exactly 320 x 240 pixels on the heap, so a read
// outside it is caught) with the given glyph bands, and the flat background.
void install_test_atlas(std::vector<uint16_t> *atlas, const int32_t offsets[11],
                        const int32_t widths[11], int32_t height);

// Writes text into a fresh address pipe and lets address_receive take it; an empty
// text arrives as an end of file, leaving the address empty again.
void deliver_address(const std::string &text);
