// The victory fanfare on the buzzer (GPB0): 1-bit samples bit-banged from user
// space through /dev/mem, with every interrupt masked and PWM timer 0 stopped so
// nothing else drives the pin or stretches a bit period. The process's pages are
// locked in memory for the playback, so no page fault can wait on a masked disk.
#pragma once

// Plays victory_sample whole; returns when the last bit has sounded. Ends the
// process with status 1 when /dev/mem cannot be opened or mapped, before any
// register has been touched.
void buzzer_play();
