// The buzzer as the simulator's user hears it: the playbacks the SoC registers
// captured become OUT/victory.wav and, in the window, sound.
#pragma once

#include <cstdint>

struct SimOptions;

// Collects a finished buzzer playback: writes OUT/victory.wav, plays it in the window
// and checks the interrupt masks came back; true when there was one. The
// simulator's loops call it often.
bool buzzer_poll_playback(const SimOptions &options);
// Playbacks collected so far, by whichever loop polled.
uint32_t buzzer_playbacks_collected();
// Before the window goes: lets a queued fanfare finish and releases the sound card.
void buzzer_sound_close();
