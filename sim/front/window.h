// The interactive simulator: the LCD in a window, the mouse as the touch panel,
// keys for the board's switches.
#pragma once

#include "options.h"

#include <functional>
#include <sys/types.h>

// The simulated board's init, given by the caller: started once the window is
// open, polled while no tour plays, stopped, and cleaned up if a tour is cut.
struct WindowApp {
    pid_t (*start)();
    int (*poll)();
    int (*stop)();
    void (*cleanup)();
};

// Returns the exit status; 3 when no window can be opened (no display). With a
// tour (a scenario's player, given by the caller), the window shows the screen
// while the tour plays on a thread of its own and returns what the tour returns.
int run_window(const SimOptions &options, const WindowApp &app, const std::function<int()> &tour);
