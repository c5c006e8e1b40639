// Scenario commands for screen recordings: "record NAME [FPS]" starts one into
// OUT/NAME.png, "record-stop" writes it (front/recording.h). The frames are
// taken on the player's timeline through the board's table, so both boards
// record, and the screen is read between commands, never beside one.
#include "devices/board_clock.h"
#include "front/recording.h"
#include "model/lcd.h"
#include "scenario/commands.h"

#include <string>
#include <vector>

namespace {

// Whose the pending frame is: a recording stopped and started again before it
// was due must not be sampled twice as often.
unsigned recording_number = 0;

// A frame a period from now; each frame asks for the next, until the recording
// stops.
void next_frame(ScenarioContext &context, uint64_t period_us, unsigned number) {
    context.later.at(monotonic_us() + period_us, [&context, period_us, number] {
        if (recording_running() && number == recording_number) {
            std::vector<uint16_t> screen(LCD_PIXELS);
            context.board->screen(screen.data());
            recording_frame(screen.data());
            next_frame(context, period_us, number);
        }
    });
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
    next_frame(context, 1000000 / static_cast<uint64_t>(fps), ++recording_number);
    return true;
}

bool run_record_stop(ScenarioContext &, const ScenarioCommand &, std::string *error) {
    return recording_stop(error);
}
