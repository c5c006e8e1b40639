// The pictures compiled into the program, as constant RGB565 arrays in Canvas
// orientation (row-major, stride = width). The build generates their definitions
// from the PNG files in this folder (tools/embed-assets); the sizes here are the
// contract the drawing code relies on.
#pragma once

#include <cstdint>

constexpr int BACKGROUND_W = 120;
constexpr int BACKGROUND_H = 160;
constexpr int SWITCH_TAB_W = 26;
constexpr int SWITCH_TAB_H = 73;
constexpr int OVERLAY_TOP_LEFT_W = 92;
constexpr int OVERLAY_TOP_LEFT_H = 99;
constexpr int OVERLAY_TOP_RIGHT_W = 35;
constexpr int OVERLAY_TOP_RIGHT_H = 118;
constexpr int PUZZLE_TILES_W = 144;
constexpr int PUZZLE_TILES_H = 144;
constexpr int PUZZLE_STRIP_LEFT_W = 19;
constexpr int PUZZLE_STRIP_LEFT_H = 145;
constexpr int PUZZLE_STRIP_RIGHT_W = 15;
constexpr int PUZZLE_STRIP_RIGHT_H = 108;
constexpr int ADDRESS_PLACEHOLDER_W = 30;
constexpr int ADDRESS_PLACEHOLDER_H = 248;

extern const uint16_t img_background_0[BACKGROUND_W * BACKGROUND_H];
extern const uint16_t img_switch_tab_0[SWITCH_TAB_W * SWITCH_TAB_H];
extern const uint16_t img_overlay_top_left[OVERLAY_TOP_LEFT_W * OVERLAY_TOP_LEFT_H];
extern const uint16_t img_overlay_top_right[OVERLAY_TOP_RIGHT_W * OVERLAY_TOP_RIGHT_H];
extern const uint16_t img_background_1[BACKGROUND_W * BACKGROUND_H];
extern const uint16_t img_switch_tab_1[SWITCH_TAB_W * SWITCH_TAB_H];
// The tiles are drawn at odd x (GRID_LEFT is odd), so their picture starts on a
// half word too: a tile row and its Canvas row then share their alignment, and
// the opaque row copies and the blends move whole words (musl's memcpy takes
// nearly three times as long between rows of different alignment).
extern const uint16_t (&img_puzzle_tiles)[PUZZLE_TILES_W * PUZZLE_TILES_H];
extern const uint16_t img_puzzle_strip_left[PUZZLE_STRIP_LEFT_W * PUZZLE_STRIP_LEFT_H];
extern const uint16_t img_puzzle_strip_right[PUZZLE_STRIP_RIGHT_W * PUZZLE_STRIP_RIGHT_H];
extern const uint16_t img_address_placeholder[ADDRESS_PLACEHOLDER_W * ADDRESS_PLACEHOLDER_H];
