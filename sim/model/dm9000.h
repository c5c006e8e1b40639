// The DM9000 Ethernet controller as the network worker reaches it: an index port
// at byte 0 and a data port at byte 4 of its window; the data port answers the
// register the index selects. NSR shows the link bit only while the cable is
// plugged and the PHY has power. Plain state, so it can live in shared memory.
#pragma once

#include "workers/net_bringup.h"

#include <cstdint>

constexpr uintptr_t DM9000_INDEX_PORT = 0;
constexpr uintptr_t DM9000_DATA_PORT = 4;
constexpr uint8_t DM9000_NSR_LINKST = DM9000_NSR_LINK;

struct Dm9000Model {
    uint8_t index; // the register selected through the index port
};

constexpr uint8_t dm9000_nsr(bool cable, bool phy_powered) {
    return cable && phy_powered ? DM9000_NSR_LINKST : 0;
}

// A byte read at offset of the window, with the cable and the PHY's power as
// given; false for an offset that is neither port.
inline bool dm9000_model_read(const Dm9000Model &chip, uintptr_t offset, bool cable,
                              bool phy_powered, uint8_t *value) {
    if (offset != DM9000_INDEX_PORT && offset != DM9000_DATA_PORT) {
        return false;
    }
    bool nsr = offset == DM9000_DATA_PORT && chip.index == DM9000_NSR;
    *value = offset == DM9000_INDEX_PORT ? chip.index : nsr ? dm9000_nsr(cable, phy_powered) : 0;
    return true;
}

// A byte stored: the index port selects, the data port keeps nothing. False for
// an offset that is neither port.
inline bool dm9000_model_write(Dm9000Model *chip, uintptr_t offset, uint8_t value) {
    chip->index = offset == DM9000_INDEX_PORT ? value : chip->index;
    return offset == DM9000_INDEX_PORT || offset == DM9000_DATA_PORT;
}
