// The interactive simulator: the LCD in a window, the mouse as the touch panel,
// keys for the board's switches.
#pragma once

#include "options.h"

// Returns the exit status; 3 when no window can be opened (no display).
int run_window(const SimOptions &options);
