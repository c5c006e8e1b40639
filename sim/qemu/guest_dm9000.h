// The QEMU board's DM9000: a shared page (ivshmem) that the guest kernel places
// at 0x20000000. The chip's two ports at 0 and 4 (devices/dm9000.h) are the
// application's and the host's alone; the status byte the application polls is
// kept equal to "cable plugged and eth0 open", as the real chip's PHY is powered
// only while the driver has eth0 open. After them come the guest agent's words,
// 32 bits each, which the host only reads.
#pragma once

#include <cstdint>
#include <string>

constexpr uint64_t DM9000_PAGE_BYTES = 1u << 20;
constexpr uint32_t DM9000_ETH0_OPEN = 8; // 1 while the guest's eth0 is open
// The application's moments, as the agent has them from the guest kernel's
// syscall tracepoints (board-vm/agent/moments.h):
constexpr uint32_t MOMENT_WAITS_BEGUN = 12;  // event waits begun, a frame shown at each
constexpr uint32_t MOMENT_WAITS_ENDED = 16;  // and ended
constexpr uint32_t MOMENT_IDLE = 20;         // 1 in a wait without a limit since the press
constexpr uint32_t MOMENT_ADDRESS_READ = 24; // 1 once the running start has read it
constexpr uint32_t MOMENT_PAUSES_BEGUN = 28; // pauses after a slide's frame begun
constexpr uint32_t MOMENT_PAUSES_ENDED = 32; // and ended

bool guest_dm9000_start(const std::string &path, bool cable, std::string *error);
void guest_dm9000_stop();
void guest_dm9000_set_cable(bool plugged);
// One of the agent's words as it last wrote it.
uint32_t guest_dm9000_word(uint32_t offset);
