// The application's state set up for a measurement, the same way on the PC and
// under qemu-arm: a clock the bench sets by hand, the screen as a plain buffer,
// the digit atlas from a real font (standard error off meanwhile:
// still::stderr_off), the address delivered through the address
// pipe, and the puzzle put into the state a frame kind needs. Nothing here is
// measured; it only prepares what the measured calls read.
#pragma once

#include <cstdint>

// Replaces the clock and the framebuffer device of the platform table and opens
// the screen (fb_open) into a static buffer.
void bench_world_open();

// Sets the clock every now_ms() reads.
void bench_set_clock_ms(uint32_t ms);

// Restarts the scene's clock and moves time on by elapsed_ms, so that
// scene_elapsed_ms(scene) reads elapsed_ms.
void bench_scene_at(int scene, uint32_t elapsed_ms);

// The screen memory fb_present writes.
uint16_t *bench_screen();

// glyph_atlas_build for the font at path at the given pixel size, as the font
// discovery calls it (the file name carries the size).
void bench_build_atlas(const char *path, int pixel_size);

// Delivers the address as the DHCP script would, through the address pipe.
void bench_deliver_address(const char *text);

// The board near solved and still, the scene at e ms.
void bench_puzzle_still(uint32_t e);

// The last tile d ms (0..99) into its slide towards the empty cell, scene at e ms.
void bench_puzzle_sliding(uint32_t e, uint32_t d);

// The solved board dt ms (0..1999) into the victory fade, the sound already played.
void bench_puzzle_fading(uint32_t e, uint32_t dt);
