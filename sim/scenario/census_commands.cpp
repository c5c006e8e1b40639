// Scenario commands that watch the application's use of the machine: the
// allocations it makes once running (ipslide-sim-counting), and whether its open
// descriptors and resident memory stay where they were.
#include "board/alloc_census.h"
#include "board/app_process.h"
#include "scenario/commands.h"
#include "scenario/scenario.h"

#include <cstdio>
#include <dirent.h>
#include <fstream>

namespace {

struct Resources {
    long descriptors = -1;
    long resident_pages = -1;
};

Resources mark;

long count_descriptors(pid_t pid) {
    DIR *dir = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str());
    if (dir == nullptr) {
        return -1;
    }
    long count = 0;
    for (dirent *entry = readdir(dir); entry != nullptr; entry = readdir(dir)) {
        count += entry->d_name[0] != '.' ? 1 : 0;
    }
    closedir(dir);
    return count;
}

// statm: size, resident, shared, ... in pages.
Resources measure() {
    Resources now;
    pid_t pid = app_running();
    now.descriptors = count_descriptors(pid);
    std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
    long size = 0;
    if (!(statm >> size >> now.resident_pages)) {
        now.resident_pages = -1;
    }
    return now;
}

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
    printf("ipslide-sim: %6u ms  allocator calls at start-up: %s\n", command.at_ms,
           counts_text(counts.at_start_up).c_str());
    printf("ipslide-sim: %6u ms  allocator calls once running: %s\n", command.at_ms,
           counts_text(counts.running).c_str());
    if (alloc_census_running_total(counts) != 0) {
        *error = "the application called the allocator after start-up";
        return false;
    }
    return true;
}

bool run_resources_mark(ScenarioContext &, const ScenarioCommand &command, std::string *error) {
    mark = measure();
    if (mark.descriptors < 0 || mark.resident_pages < 0) {
        *error = "resources-mark: cannot read the main process's /proc entries";
        return false;
    }
    printf("ipslide-sim: %6u ms  resources: %ld descriptors, %ld resident pages\n", command.at_ms,
           mark.descriptors, mark.resident_pages);
    return true;
}

bool run_expect_resources_steady(ScenarioContext &, const ScenarioCommand &command,
                                 std::string *error) {
    if (mark.descriptors < 0) {
        *error = "expect-resources-steady needs a resources-mark before it";
        return false;
    }
    Resources now = measure();
    printf("ipslide-sim: %6u ms  resources: %ld descriptors, %ld resident pages (marked %ld, "
           "%ld)\n",
           command.at_ms, now.descriptors, now.resident_pages, mark.descriptors,
           mark.resident_pages);
    if (now.descriptors != mark.descriptors || now.resident_pages > mark.resident_pages) {
        *error = "the application's descriptors or resident memory grew";
        return false;
    }
    return true;
}
