// Screen recordings for people: the LCD captured into an animated PNG (APNG,
// shown by every browser). Whoever records hands in whole frames, 320x240
// RGB565; a frame equal to the previous one just lengthens it.
#pragma once

#include <cstdint>
#include <string>

// Starts a recording for path; false with *error set when one is already running.
bool recording_start(const std::string &path, std::string *error);
bool recording_running();

// The screen now; the previous frame lasted until now.
void recording_frame(const uint16_t *pixels);

// Stops the recording and writes it; false with *error set when none runs or the
// file cannot be written.
bool recording_stop(std::string *error);
