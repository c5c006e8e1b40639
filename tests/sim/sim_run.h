// Headless runs of a simulator binary for the tests: a scenario written by the
// test in; how it ended, what the simulator said and what the application logged
// out. Every run has its own folder, IPSLIDE_TEST_OUTPUT/sim/NAME.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>

struct SimRun {
    int status = -1;
    std::string said; // the simulator's own output
    std::string log;  // the application's standard output and error
};

inline std::string slurp(const std::string &path) {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

inline SimRun run_sim(const std::string &binary, const std::string &name,
                      const std::string &scenario, const std::string &options = "") {
    std::string out = std::string(IPSLIDE_TEST_OUTPUT) + "/sim/" + name;
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    std::ofstream(out + "/run.scenario") << scenario;
    std::string command = binary + " --headless --script " + out + "/run.scenario --out " + out +
                          " " + options + " > " + out + "/sim.txt 2>&1";
    SimRun run;
    int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.said = slurp(out + "/sim.txt");
    run.log = slurp(out + "/app.log");
    return run;
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
