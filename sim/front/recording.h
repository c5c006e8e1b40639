// Screen recordings for people: the LCD captured into an animated PNG (APNG,
// shown by every browser). Frames are taken only while the application waits, so
// none is torn; a frame equal to the previous one just lengthens it.
#pragma once

#include <string>

// Starts capturing fps frames a second for path; false with *error set when a
// recording is already running.
bool recording_start(const std::string &path, int fps, std::string *error);

// Stops the recording and writes it; false with *error set when none runs or the
// file cannot be written.
bool recording_stop(std::string *error);
