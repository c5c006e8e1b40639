// The headless simulator: runs a scenario against the application and exits.
#pragma once

#include "options.h"
#include "scenario/scenario.h"

#include <vector>

// Returns the simulator's exit status: 0 when the scenario ran to its end.
int run_headless(const SimOptions &options);

// Parses options.script for the board (SIM_BOARD or QEMU_BOARD), reporting a bad
// line on stderr.
bool load_scenario(const SimOptions &options, std::vector<ScenarioCommand> *commands,
                   unsigned board = SIM_BOARD);

// Runs the commands on context.board, each at its time; returns 0 when they all
// ran, 1 when one failed or the board could not go on.
int play_scenario(ScenarioContext &context, const std::vector<ScenarioCommand> &commands);
