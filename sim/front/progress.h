// The headless simulator's progress lines, one per scenario command that did
// something worth reading: "ipslide-sim:   1234 ms  tap 160 120 (raw ...)".
#pragma once

#include <cstdint>

// Prints the line for a command due at at_ms; format and the rest as printf's.
__attribute__((format(printf, 2, 3))) void progress(uint32_t at_ms, const char *format, ...);
