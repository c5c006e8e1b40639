// The scenario commands only the QEMU board plays: probes of the guest's
// processes, mounts and device nodes through its agent.
#include "qemu/guest_agent.h"
#include "scenario/commands.h"
#include "scenario/scenario.h"

#include <cstdio>
#include <fstream>
#include <vector>

// OUT/NAME.txt: the application's processes with their CPU ticks, the mounts on
// /tmp/d and the character devices in /tmp, as the agent reports them.
bool run_inspect(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    std::vector<std::string> lines;
    if (!guest_agent_ask("inspect", &lines, error)) {
        *error = "inspect: " + *error;
        return false;
    }
    std::string path = context.options->out_dir + "/" + command.args[0] + ".txt";
    std::ofstream out(path);
    for (const std::string &line : lines) {
        out << line << "\n";
    }
    if (!out.flush()) {
        *error = "cannot write " + path;
        return false;
    }
    printf("ipslide-sim: %6u ms  inspect %s\n", command.at_ms, path.c_str());
    return true;
}

bool run_expect_no_zombies(ScenarioContext &, const ScenarioCommand &command, std::string *error) {
    std::vector<std::string> words;
    if (!guest_agent_value("zombies", &words, error)) {
        *error = "expect-no-zombies: " + *error;
        return false;
    }
    if (words.empty() || words[0] != "0") {
        *error = "expect-no-zombies: " + (words.empty() ? std::string("?") : words[0]) +
                 " zombie processes on the board";
        return false;
    }
    printf("ipslide-sim: %6u ms  no zombie on the board\n", command.at_ms);
    return true;
}
