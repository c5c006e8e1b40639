// Screenshots of the simulated LCD as a person sees it: 320x240, 8-bit RGB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Expands RGB565 to RGB888 by repeating the high bits, so 0xFFFF is white and the
// 565 value is recovered exactly by truncating each channel again.
void rgb565_to_rgb888(uint16_t pixel, uint8_t rgb[3]);

bool write_rgb565_png(const std::string &path, const uint16_t *pixels, int width, int height);

// Reads an 8-bit RGB or RGBA PNG back as RGB565 (channels truncated).
bool read_png_rgb565(const std::string &path, std::vector<uint16_t> *pixels, int *width,
                     int *height);
