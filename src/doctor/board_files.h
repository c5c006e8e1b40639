// Reading the board's small text files (/proc, /sys, /etc) and looking at paths,
// through the platform table like every other call of the application.
#pragma once

#include <cstddef>

// Reads at most size - 1 bytes of path into text, nul-ended; false when the file
// cannot be opened or read.
bool read_text(const char *path, char *text, size_t size);

bool path_exists(const char *path);
bool is_executable_file(const char *path);

// The message of errno as it is now, for "found" texts.
const char *error_text();
