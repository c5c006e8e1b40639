// The interactive simulator: the LCD in a window, the mouse as the touch panel,
// keys for the board's switches.
#pragma once

#include "options.h"

#include <functional>

// Returns the exit status; 3 when no window can be opened (no display). With a
// tour (a scenario's player, given by the caller), the window shows the screen
// while the tour plays on a thread of its own and returns what the tour returns.
int run_window(const SimOptions &options, const std::function<int()> &tour);
