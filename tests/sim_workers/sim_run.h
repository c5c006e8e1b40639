// Headless runs of the simulator binary for the tests: a scenario in, the
// simulator's output and the application's log out.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
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

inline SimRun run_sim(const std::string &name, const std::string &scenario,
                      const std::string &options) {
    std::string out = std::string(IPSLIDE_TEST_OUTPUT) + "/sim_workers/" + name;
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    std::ofstream(out + "/run.scenario") << scenario;
    std::string command = std::string(IPSLIDE_SIM_BINARY) + " --headless --script " + out +
                          "/run.scenario --out " + out + " " + options + " > " + out +
                          "/sim.txt 2>&1";
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
