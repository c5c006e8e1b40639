// The scenario commands only the simulated board plays, on its init and its
// allocation census: what a start after a kill must find (one stick mount, no
// process left of the killed start); allocations once running.
#include "board/alloc_census.h"
#include "board/app_process.h"
#include "board/sim_board.h"
#include "front/progress.h"
#include "scenario/player.h"

#include <dirent.h>
#include <fstream>
#include <set>
#include <sstream>

namespace {

constexpr long LEFTOVER_TIMEOUT_MS = 5000;

// Lines of the main process's mount table whose mount point is /tmp/d.
int stick_mounts(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/mountinfo");
    int count = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string field;
        for (int i = 0; i < 5 && fields >> field; ++i) {
        }
        count += field == "/tmp/d" ? 1 : 0;
    }
    return count;
}

} // namespace

bool run_expect_stick_mounts(ScenarioContext &, const ScenarioCommand &command,
                             std::string *error) {
    long expected = 0;
    if (!parse_int_arg(command.args[0], 0, 100, &expected)) {
        *error = "\"" + command.args[0] + "\" is not a number of mounts";
        return false;
    }
    int found = stick_mounts(app_running());
    progress(command.at_ms, "%d mount%s on /tmp/d", found, found == 1 ? "" : "s");
    if (found != expected) {
        *error = "expected " + std::to_string(expected) + " mount(s) on /tmp/d, found " +
                 std::to_string(found);
        return false;
    }
    return true;
}

namespace {

// "pid (comm) state ppid pgrp ...": comm may hold blanks and parentheses, so the
// fields are read after its last ')'.
bool process_state(const std::string &pid, char *state, long *parent, long *group,
                   std::string *comm) {
    std::ifstream in("/proc/" + pid + "/stat");
    std::string text;
    if (!std::getline(in, text)) {
        return false;
    }
    size_t open = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos) {
        return false;
    }
    *comm = text.substr(open + 1, close - open - 1);
    std::istringstream rest(text.substr(close + 1));
    return static_cast<bool>(rest >> *state >> *parent >> *group);
}

// Living processes (zombies are ended) in the process groups of ended starts.
std::string leftovers() {
    const std::vector<pid_t> &groups = app_ended_groups();
    std::set<long> ended(groups.begin(), groups.end());
    std::string found;
    DIR *proc = opendir("/proc");
    for (dirent *entry = proc ? readdir(proc) : nullptr; entry != nullptr; entry = readdir(proc)) {
        std::string pid = entry->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        char state = 0;
        long parent = 0, group = 0;
        std::string comm;
        if (process_state(pid, &state, &parent, &group, &comm) && state != 'Z' &&
            ended.count(group)) {
            std::ifstream wchan("/proc/" + pid + "/wchan");
            std::string waiting;
            std::getline(wchan, waiting);
            found += " " + pid + " (" + comm + ", state " + state + ", parent " +
                     std::to_string(parent) + ", group " + std::to_string(group) + ", waiting in " +
                     (waiting.empty() ? "-" : waiting) + ")";
        }
    }
    if (proc != nullptr) {
        closedir(proc);
    }
    return found;
}

} // namespace

bool run_expect_no_leftovers(ScenarioContext &context, const ScenarioCommand &command,
                             std::string *error) {
    if (!wait_for_command(
            context, command, 0, [] { return leftovers().empty(); }, error, "not within",
            LEFTOVER_TIMEOUT_MS)) {
        *error = "processes of ended starts still run:" + leftovers();
        return false;
    }
    progress(command.at_ms, "no process left of %zu ended start%s", app_ended_groups().size(),
             app_ended_groups().size() == 1 ? "" : "s");
    return true;
}

namespace {

std::string counts_text(const uint64_t (&counts)[ALLOC_KINDS]) {
    std::string text;
    for (int k = 0; k < ALLOC_KINDS; ++k) {
        text += (k == 0 ? "" : ", ") + std::string(alloc_kind_name(k)) + " " +
                std::to_string(counts[k]);
    }
    return text;
}

} // namespace

bool run_expect_no_allocation(ScenarioContext &, const ScenarioCommand &command,
                              std::string *error) {
    if (!alloc_census_counting()) {
        *error = "this simulator counts no allocations: run ipslide-sim-counting";
        return false;
    }
    AllocCounts counts = alloc_census_counts();
    progress(command.at_ms, "allocator calls at start-up: %s",
             counts_text(counts.at_start_up).c_str());
    progress(command.at_ms, "allocator calls once running: %s",
             counts_text(counts.running).c_str());
    if (alloc_census_running_total(counts) != 0) {
        *error = "the application called the allocator after start-up";
        return false;
    }
    return true;
}
