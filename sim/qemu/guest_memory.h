// The QEMU board's memory as the host sees it: the guest's RAM is a shared file,
// so the screen (the simple framebuffer in the last MiB) is read byte for byte;
// and the DM9000 the application polls at 0x20000000 is a shared page (ivshmem)
// whose status byte the host writes.
#pragma once

#include <cstdint>
#include <string>

constexpr uint64_t GUEST_RAM_BYTES = 512ull << 20;
constexpr uint64_t GUEST_RAM_PHYS = 0x40000000ull;
// The frame sits at 0x5ff00000, the last MiB of the RAM that starts at 0x40000000.
constexpr uint64_t GUEST_SCREEN_OFFSET = 0x5ff00000ull - GUEST_RAM_PHYS;
constexpr uint64_t DM9000_PAGE_BYTES = 1u << 20;
// In the page, after the chip's two ports (devices/dm9000.h; the application
// reads NSR at the data port): the guest agent's word saying whether eth0 is open.
constexpr uint32_t DM9000_ETH0_OPEN = 8;

// Maps both files and starts the watcher: it counts the frames the application
// shows and keeps the status byte equal to "cable plugged and eth0 open", as the
// real chip's PHY is powered only while the driver has eth0 open.
bool guest_memory_start(const std::string &ram, const std::string &dm9000, bool cable,
                        std::string *error);
void guest_memory_stop();

void guest_memory_set_cable(bool plugged);
// The last whole frame (one that then held for a moment), 320x240 RGB565.
void guest_memory_frame(uint16_t *pixels);
uint32_t guest_memory_frames();
// The 32-bit word at a physical address in the guest's RAM, as the guest last
// stored it.
uint32_t guest_memory_word(uint64_t phys);
// Monotonic microseconds of the screen's last change, 0 before any.
uint64_t guest_memory_last_change_us();
