#include "model/dm9000.h"

uint8_t dm9000_nsr(bool cable, bool phy_powered) {
    return cable && phy_powered ? DM9000_NSR_LINKST : 0;
}

bool dm9000_model_read(const Dm9000Model &chip, uintptr_t offset, bool cable, bool phy_powered,
                       uint8_t *value) {
    if (offset == DM9000_INDEX_PORT) {
        *value = chip.index;
        return true;
    }
    if (offset == DM9000_DATA_PORT) {
        *value = chip.index == DM9000_NSR ? dm9000_nsr(cable, phy_powered) : 0;
        return true;
    }
    return false;
}

bool dm9000_model_write(Dm9000Model *chip, uintptr_t offset, uint8_t value) {
    if (offset == DM9000_INDEX_PORT) {
        chip->index = value;
        return true;
    }
    return offset == DM9000_DATA_PORT;
}
