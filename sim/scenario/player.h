// The scenario player, one for both boards: it loads a script for a board,
// plays each command at its time, and waits, whether for a command's time or
// for a state a command asks for, in one loop that watches the board and fires
// the timeline's events.
#pragma once

#include "options.h"
#include "scenario/scenario.h"

#include <functional>
#include <string>
#include <vector>

// Parses options.script for the board, reporting a bad line on stderr.
bool load_scenario(const SimOptions &options, const ScenarioBoard &board,
                   std::vector<ScenarioCommand> *commands);

// Runs the commands on context.board, each at its time; returns 0 when they all
// ran, 1 when one failed or the board could not go on. Events still pending
// when it returns are dropped.
int play_scenario(ScenarioContext &context, const std::vector<ScenarioCommand> &commands);

// The headless simulator: boots the board, plays options.script on it and shuts
// it down. Returns the exit status: 0 when the scenario ran to its end, 1 when it
// failed, 2 when the script is bad or the board could not be made.
int run_headless(const ScenarioBoard &board, const SimOptions &options);

// Polls `ready` until it holds or timeout_ms pass; the time spent is added to the
// scenario's shift so later commands keep their distance from this one. A
// failure says "WHAT: " and why: the board stopped, or LATE TIMEOUT ms.
bool wait_for(ScenarioContext &context, long timeout_ms, const std::string &what,
              const std::function<bool()> &ready, std::string *error,
              const char *late = "not within");
