// Scenario commands for screen recordings: "record NAME [FPS]" starts one into
// OUT/NAME.png, "record-stop" writes it (front/recording.h).
#include "front/recording.h"
#include "scenario/commands.h"
#include "scenario/scenario.h"

#include <string>

bool run_record(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    long fps = 10;
    if (command.args.size() > 1 && !parse_int_arg(command.args[1], 1, 50, &fps)) {
        *error = "\"" + command.args[1] + "\" is not a frame rate (1..50)";
        return false;
    }
    return recording_start(context.options->out_dir + "/" + command.args[0] + ".png",
                           static_cast<int>(fps), error);
}

bool run_record_stop(ScenarioContext &, const ScenarioCommand &, std::string *error) {
    return recording_stop(error);
}
