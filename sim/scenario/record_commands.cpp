// Scenario commands for screen recordings: "record NAME [FPS]" starts one into
// OUT/NAME.png, "record-stop" writes it (front/recording.h). The frames are
// taken on the player's timeline through the board's table, so both boards
// record, and the screen is read between commands, never beside one.
#include "devices/board_clock.h"
#include "front/recording.h"
#include "scenario/commands.h"

#include <string>
#include <vector>

namespace {

// Which recording the pending frame belongs to: one stopped and started again
// before its next frame was due must not be sampled twice as often.
unsigned recording_number = 0;

// Takes a frame and asks for the next one a period later, until record-stop.
void take_frame(ScenarioContext &context, uint64_t period_us, unsigned number) {
    if (!recording_running() || number != recording_number) {
        return;
    }
    std::vector<uint16_t> screen(320 * 240);
    context.board->screen(screen.data());
    recording_frame(screen.data());
    context.later.at(monotonic_us() + period_us,
                     [&context, period_us, number] { take_frame(context, period_us, number); });
}

} // namespace

bool run_record(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    long fps = 10;
    if (command.args.size() > 1 && !parse_int_arg(command.args[1], 1, 50, &fps)) {
        *error = "\"" + command.args[1] + "\" is not a frame rate (1..50)";
        return false;
    }
    if (!recording_start(context.options->out_dir + "/" + command.args[0] + ".png", error)) {
        return false;
    }
    uint64_t period_us = 1000000 / static_cast<uint64_t>(fps);
    unsigned number = ++recording_number;
    context.later.at(monotonic_us() + period_us,
                     [&context, period_us, number] { take_frame(context, period_us, number); });
    return true;
}

bool run_record_stop(ScenarioContext &, const ScenarioCommand &, std::string *error) {
    return recording_stop(error);
}
