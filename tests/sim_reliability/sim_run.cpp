#include "sim_run.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>

namespace {

std::string slurp(const std::string &path) {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

} // namespace

SimRun run_sim(const std::string &binary, const std::string &name, const std::string &scenario,
               const std::string &options) {
    std::string out = std::string(IPSLIDE_TEST_OUTPUT) + "/sim_reliability/" + name;
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

size_t count_of(const std::string &text, const std::string &part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

uint32_t scenario_seed(const char *what) {
    const char *given = std::getenv("IPSLIDE_SEED");
    uint32_t seed = given != nullptr ? static_cast<uint32_t>(std::strtoul(given, nullptr, 10))
                                     : std::random_device{}();
    printf("%s: seed %u (IPSLIDE_SEED=%u replays it)\n", what, seed, seed);
    fflush(stdout);
    return seed;
}

std::string at(uint32_t ms, const std::string &command) {
    return "at " + std::to_string(ms) + " " + command + "\n";
}
