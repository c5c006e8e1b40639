// The scenario commands that need no device: screenshots and the end of the run.
#include "board_state.h"
#include "scenario.h"
#include "screen_png.h"

#include <cstdio>

namespace {

bool run_shot(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    std::string path = context.options->out_dir + "/" + command.args[0] + ".png";
    if (!write_rgb565_png(path, board_state()->screen, 320, 240)) {
        *error = "cannot write " + path;
        return false;
    }
    printf("ipslide-sim: %6u ms  shot %s\n", command.at_ms, path.c_str());
    return true;
}

bool run_end(ScenarioContext &context, const ScenarioCommand &, std::string *) {
    context.finished = true;
    return true;
}

const CommandRegistrar shot({"shot", 1, 1, "shot NAME   (writes OUT/NAME.png)", run_shot});
const CommandRegistrar end({"end", 0, 0, "end", run_end});

} // namespace
