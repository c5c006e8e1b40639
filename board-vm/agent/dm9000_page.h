// The DM9000's page (ivshmem) as the agent sees it: the words it keeps for the
// host beside the chip's ports (qemu/guest_dm9000.h). One is the PHY's power as
// the kernel driver would give it: the real chip's PHY is powered only while the
// driver has eth0 open, so the host sets the link bit only while it is 1.
#pragma once

#include <cstdint>

// Maps the device's memory BAR, its sysfs resource file; the sysinit has
// enabled the device, so the BAR decodes.
bool dm9000_page_map(const char *resource);
// Writes one of the agent's words; nothing before the page is mapped.
void dm9000_page_write(uint32_t offset, uint32_t value);

// Starts following eth0's flags and sets the PHY word; the descriptor poll
// watches for their changes, -1 when they cannot be followed.
int eth0_watch();
// Reads the changes that came and sets the PHY word again.
void eth0_changed();
