// The headless simulator: runs a scenario against the application and exits.
#pragma once

#include "options.h"
#include "scenario/scenario.h"

#include <vector>

// Returns the simulator's exit status: 0 when the scenario ran to its end.
int run_headless(const SimOptions &options);

// Parses options.script, reporting a bad line on stderr.
bool load_scenario(const SimOptions &options, std::vector<ScenarioCommand> *commands);

// Runs the commands against the application in context.app, each at its time;
// returns 0 when they all ran, 1 when one failed or the application ended.
int play_scenario(ScenarioContext &context, const std::vector<ScenarioCommand> &commands);
