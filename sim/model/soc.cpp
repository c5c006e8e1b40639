#include "model/soc.h"

namespace {

// The masks as found are kept when a capture may begin; once both are written
// back after it (restore_seen bits 0 and 1, bit 2 while it is owed), it has ended.
SocStore mask_written(SocModel *soc, bool is_intmsk, uint32_t value) {
    uint32_t &mask = soc_reg(*soc, SOC_INTC, is_intmsk ? INTMSK_OFFSET : INTSUBMSK_OFFSET);
    if (!soc->capturing && soc->restore_seen == 0) {
        (is_intmsk ? soc->intmsk_before : soc->intsubmsk_before) = mask;
    }
    mask = value;
    uint32_t intmsk = soc_reg(*soc, SOC_INTC, INTMSK_OFFSET);
    uint32_t intsubmsk = soc_reg(*soc, SOC_INTC, INTSUBMSK_OFFSET);
    bool masked = intmsk == INTMSK_ALL && intsubmsk == INTSUBMSK_ALL;
    if (masked != (soc->capturing != 0)) {
        soc->capturing = masked ? 1 : 0;
        soc->restore_seen = masked ? 0 : 4;
        if (masked) {
            return SOC_CAPTURE_BEGUN;
        }
    }
    soc->restore_seen |= soc->restore_seen != 0 ? (is_intmsk ? 1 : 2) : 0;
    if (soc->restore_seen != 7) {
        return SOC_STORED;
    }
    soc->restore_seen = 0;
    soc->intmsk_after = intmsk;
    soc->intsubmsk_after = intsubmsk;
    return SOC_CAPTURE_ENDED;
}

} // namespace

void soc_model_reset(SocModel *soc) {
    *soc = SocModel{};
    soc_reg(*soc, SOC_GPIO, GPBCON_OFFSET) = 0x00155554;
    soc_reg(*soc, SOC_GPIO, GPBDAT_OFFSET) = 0x00000560;
    soc_reg(*soc, SOC_TIMER, TCON_OFFSET) = 0x00500009;
    soc_reg(*soc, SOC_INTC, INTMSK_OFFSET) = 0xFEFFFF7F;
    soc_reg(*soc, SOC_INTC, INTSUBMSK_OFFSET) = 0x000007FE;
}

bool soc_model_has(int block, uint32_t offset) {
    bool gpio = block == SOC_GPIO && (offset == GPBCON_OFFSET || offset == GPBDAT_OFFSET);
    bool intc = block == SOC_INTC && (offset == INTMSK_OFFSET || offset == INTSUBMSK_OFFSET);
    return gpio || intc || (block == SOC_TIMER && offset == TCON_OFFSET);
}

SocStore soc_model_write(SocModel *soc, int block, uint32_t offset, uint32_t value) {
    if (block == SOC_INTC && (offset == INTMSK_OFFSET || offset == INTSUBMSK_OFFSET)) {
        return mask_written(soc, offset == INTMSK_OFFSET, value);
    }
    soc_reg(*soc, block, offset) = value;
    bool sample = block == SOC_GPIO && offset == GPBDAT_OFFSET && soc->capturing;
    return sample ? SOC_SAMPLE_BIT : SOC_STORED;
}
