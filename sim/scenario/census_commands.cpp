// Scenario commands that watch the application's use of the machine: whether
// its open descriptors and resident memory stay where they were.
#include "front/progress.h"
#include "scenario/commands.h"

static BoardResources mark; // what resources-mark noted

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
