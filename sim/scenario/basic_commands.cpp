// The scenario commands that need no device: screenshots and the end of the run.
#include "board/board_clock.h"
#include "board/board_state.h"
#include "front/screen_png.h"
#include "scenario/commands.h"
#include "scenario/scenario.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint64_t STEADY_WAIT_US = 2000000;

bool screen_is_steady(const BoardState &board) {
    return board.in_wait.load() != 0 || board.in_frame_delay.load() != 0;
}

// The application writes the screen in place, column by column. Once it has shown a
// frame, a screenshot is taken while it waits (for events, or between slide frames),
// so it never mixes two frames; before its first frame there is nothing to tear.
std::vector<uint16_t> steady_screen() {
    const BoardState &board = *board_state();
    uint64_t give_up = monotonic_us() + STEADY_WAIT_US;
    bool started = board.waits.load() != 0 || board.slide_frames.load() != 0;
    while (started && !screen_is_steady(board) && monotonic_us() < give_up) {
        usleep(200);
    }
    return std::vector<uint16_t>(std::begin(board.screen), std::end(board.screen));
}

} // namespace

bool run_shot(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    std::vector<uint16_t> screen = steady_screen();
    std::string path = context.options->out_dir + "/" + command.args[0] + ".png";
    if (!write_rgb565_png(path, screen.data(), 320, 240)) {
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
