// The scenario player, one for both boards: each command at its time, and one
// wait loop, for a command's time or a state, that watches the board and fires
// the timeline's events.
#pragma once

#include "scenario/scenario.h"

#include <functional>
#include <string>
#include <vector>

// Parses options.script for the board, reporting a bad line on stderr.
bool load_scenario(const SimOptions &options, const ScenarioBoard &board, CommandTable table,
                   std::vector<ScenarioCommand> *commands);

// Runs the commands on the board, whose time zero is start_us: 0 when they all
// ran, 1 when one failed or the board could not go on. Events still pending
// then are dropped with the player's timeline.
int play_scenario(const ScenarioBoard &board, const SimOptions &options, uint64_t start_us,
                  const std::vector<ScenarioCommand> &commands);

// Boots the board, plays options.script and shuts the board down: 0 when the
// scenario ran to its end, 1 when it failed, 2 for a bad script or no board.
int run_headless(const ScenarioBoard &board, const SimOptions &options, CommandTable table);

// Polls `ready` until it holds or timeout_ms pass, shifting later commands by
// the time it took; a failure says "WHAT: " and why (the board stopped, or LATE).
bool wait_for(ScenarioContext &context, long timeout_ms, const std::string &what,
              const std::function<bool()> &ready, std::string *error,
              const char *late = "not within");

// wait_for, timed by the command's word `word` when it has one (else by
// fallback_ms), and named by the command's words before it; a word that is no
// timeout in milliseconds fails before any wait.
bool wait_for_command(ScenarioContext &context, const ScenarioCommand &command, size_t word,
                      const std::function<bool()> &ready, std::string *error,
                      const char *late = "not within", long fallback_ms = WAIT_TIMEOUT_MS);
