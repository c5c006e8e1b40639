// The hand-over of one captured buzzer playback from the SoC registers (written by
// the application's process) to the simulator's side, which turns it into sound.
#pragma once

#include "assets/victory_sample.h"

#include <cstdint>
#include <vector>

// GPBDAT stores one capture holds at most: room for two whole victory samples.
constexpr uint32_t SOC_CAPTURE_MAX_BITS = 2 * VICTORY_SAMPLE_BYTES * 8;

struct SocPlayback {
    std::vector<uint8_t> bits; // 0 or 1: one per GPBDAT store but the closing one
    uint32_t intmsk_before, intsubmsk_before;
    uint32_t intmsk_after, intsubmsk_after;
};

// Takes the latest finished playback not taken yet; false when there is none.
bool soc_take_playback(SocPlayback *playback);
