// The one way the tests start a simulator: a binary and its arguments, without a
// shell, its standard output and error into a file; headless runs of a scenario
// (a file, or text the test writes) into a folder of their own. How the run
// ended, what the simulator said and what the application logged come back.
#pragma once

#include "devices/child_process.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct SimRun {
    int status = -1;  // the exit status; -1 when a signal ended it
    std::string said; // the simulator's own output
    std::string log;  // the application's standard output and error
};

inline std::string slurp(const std::string &path) {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// `binary ARGUMENTS...`, its standard output and error into said_path.
inline SimRun run_simulator(const std::string &binary, const std::vector<std::string> &arguments,
                            const std::string &said_path) {
    std::vector<std::string> words = {binary};
    words.insert(words.end(), arguments.begin(), arguments.end());
    ChildSetup setup;
    setup.output_fd = open(said_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int status = reap_process(start_process(words, setup), true);
    close(setup.output_fd);
    SimRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.said = slurp(said_path);
    return run;
}

// An empty folder at `path`, whatever was there before.
inline void fresh_folder(const std::string &path) {
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
}

// A headless run of the scenario file `script` into the folder `out`, with further
// options given as words separated by spaces.
inline SimRun play_sim(const std::string &binary, const std::string &out, const std::string &script,
                       const std::string &options = "") {
    std::vector<std::string> arguments = {"--headless", "--script", script, "--out", out};
    std::istringstream words(options);
    for (std::string word; words >> word;) {
        arguments.push_back(word);
    }
    SimRun run = run_simulator(binary, arguments, out + "/sim.txt");
    run.log = slurp(out + "/app.log");
    return run;
}

// The scenario text written into IPSLIDE_TEST_OUTPUT/sim/NAME/run.scenario, played there.
inline SimRun run_sim(const std::string &binary, const std::string &name,
                      const std::string &scenario, const std::string &options = "") {
    std::string out = std::string(IPSLIDE_TEST_OUTPUT) + "/sim/" + name;
    fresh_folder(out);
    std::ofstream(out + "/run.scenario") << scenario;
    return play_sim(binary, out, out + "/run.scenario", options);
}

inline bool has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

inline size_t count_of(const std::string &text, const std::string &part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

// The seed for a randomised scenario: IPSLIDE_SEED when set, otherwise a fresh one.
// Printed, so a failure can be replayed.
inline uint32_t scenario_seed(const char *what) {
    const char *given = std::getenv("IPSLIDE_SEED");
    uint32_t seed = given != nullptr ? static_cast<uint32_t>(std::strtoul(given, nullptr, 10))
                                     : std::random_device{}();
    printf("%s: seed %u (IPSLIDE_SEED=%u replays it)\n", what, seed, seed);
    fflush(stdout);
    return seed;
}

// One scenario line.
inline std::string at(uint32_t ms, const std::string &command) {
    return "at " + std::to_string(ms) + " " + command + "\n";
}
