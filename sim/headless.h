// The headless simulator: runs a scenario against the application and exits.
#pragma once

#include "options.h"

// Returns the simulator's exit status: 0 when the scenario ran to its end.
int run_headless(const SimOptions &options);
