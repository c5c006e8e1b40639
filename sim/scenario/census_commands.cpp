// Scenario commands that watch the application's use of the machine: the
// allocations it makes once running (ipslide-sim-counting), and whether its open
// descriptors and resident memory stay where they were.
#include "board/alloc_census.h"
#include "front/progress.h"
#include "scenario/commands.h"

namespace {

BoardResources mark;

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

bool run_resources_mark(ScenarioContext &context, const ScenarioCommand &command,
                        std::string *error) {
    if (!context.board->resources(&mark, error)) {
        *error = "resources-mark: " + *error;
        return false;
    }
    progress(command.at_ms, "resources: %ld descriptors, %ld kB resident", mark.descriptors,
             mark.resident_kb);
    return true;
}

bool run_expect_resources_steady(ScenarioContext &context, const ScenarioCommand &command,
                                 std::string *error) {
    BoardResources now;
    if (mark.descriptors < 0) {
        *error = "expect-resources-steady needs a resources-mark before it";
        return false;
    }
    if (!context.board->resources(&now, error)) {
        *error = "expect-resources-steady: " + *error;
        return false;
    }
    progress(command.at_ms,
             "resources: %ld descriptors, %ld kB resident (marked %ld, "
             "%ld)",
             now.descriptors, now.resident_kb, mark.descriptors, mark.resident_kb);
    if (now.descriptors != mark.descriptors || now.resident_kb > mark.resident_kb) {
        *error = "the application's descriptors or resident memory grew";
        return false;
    }
    return true;
}
