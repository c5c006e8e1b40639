// Runs the simulator headless on a scenario written by a test and collects what
// it said, what the application logged and how it ended.
#pragma once

#include <cstdint>
#include <string>

struct SimRun {
    int status = -1;
    std::string said; // the simulator's own output
    std::string log;  // the application's standard output and error
};

SimRun run_sim(const std::string &binary, const std::string &name, const std::string &scenario,
               const std::string &options = "");

size_t count_of(const std::string &text, const std::string &part);

// The seed for a randomised scenario: IPSLIDE_SEED when set, otherwise a fresh one.
// Printed, so a failure can be replayed.
uint32_t scenario_seed(const char *what);

// One scenario line.
std::string at(uint32_t ms, const std::string &command);
