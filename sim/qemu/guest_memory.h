// The QEMU board's memory as the host sees it: the guest's RAM is a shared file,
// so the screen (the simple framebuffer in the last MiB) is read byte for byte;
// and the DM9000 the application polls at 0x20000000 is a shared page (ivshmem,
// qemu/guest_dm9000.h).
#pragma once

#include "qemu/guest_dm9000.h"

#include <cstdint>
#include <string>

constexpr uint64_t GUEST_RAM_BYTES = 512ull << 20;
constexpr uint64_t GUEST_RAM_PHYS = 0x40000000ull;
// The frame sits at 0x5ff00000, the last MiB of the RAM that starts at 0x40000000.
constexpr uint64_t GUEST_SCREEN_OFFSET = 0x5ff00000ull - GUEST_RAM_PHYS;

// Maps both files and starts the DM9000's link.
bool guest_memory_start(const std::string &ram, const std::string &dm9000, bool cable,
                        std::string *error);
void guest_memory_stop();

// The screen as it is now, 320x240 RGB565: whole only while the application
// draws nothing (qemu_board.cpp knows when).
void guest_memory_screen(uint16_t *pixels);
// The 32-bit word at a physical address in the guest's RAM, as the guest last
// stored it.
uint32_t guest_memory_word(uint64_t phys);
