// Whole lines out of a descriptor that delivers them in pieces: the host's
// commands, the kernel's trace.
#pragma once

#include <cstddef>

struct LineReader {
    char text[512];
    size_t length = 0;
    bool skipping = false; // in a line longer than text, which is dropped
};

// One read of fd: calls take for each whole line (without its newline), and
// too_long for each line that did not fit. 1 when it read something, 0 when fd
// had nothing yet, -1 once fd has ended or failed.
int read_lines(int fd, LineReader *reader, void (*take)(char *line), void (*too_long)());
