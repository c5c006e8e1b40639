// The simulated board for the scenario player: its table (sim_scenario_board.cpp)
// and the commands only it plays (sim_commands.cpp).
#pragma once

#include "scenario/commands.h"

const ScenarioBoard &sim_scenario_board();

CommandFunction run_expect_no_allocation, run_expect_stick_mounts, run_expect_no_leftovers;
