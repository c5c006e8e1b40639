// Scenario commands that wait for a state of the application, or for the sound of
// its buzzer, instead of guessing how long it takes: on a loaded machine
// everything after such a wait simply moves later by the time it took.
#include "devices/board_state.h"
#include "devices/buzzer_sound.h"
#include "scenario/commands.h"
#include "scenario/player.h"

#include <fstream>
#include <sstream>

bool run_wait_idle(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    const ScenarioBoard *board = context.board;
    return wait_for_command(
        context, command, 0, [board] { return board->idle(); }, error);
}

bool run_wait_frames(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    long frames = 0;
    if (!parse_int_arg(command.args[0], 1, 100000, &frames)) {
        *error = "\"" + command.args[0] + "\" is not a number of frames";
        return false;
    }
    const ScenarioBoard *board = context.board;
    uint32_t target = board->frames() + static_cast<uint32_t>(frames);
    return wait_for_command(
        context, command, 1,
        [board, target] { return static_cast<int32_t>(board->frames() - target) >= 0; }, error);
}

bool run_wait_slide(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    const ScenarioBoard *board = context.board;
    uint32_t before = board->slide_frames();
    return wait_for_command(
        context, command, 0, [board, before] { return board->slide_frames() != before; }, error);
}

namespace {

bool log_contains(const std::string &text) {
    std::ifstream in(board_state()->log_path);
    std::stringstream all;
    all << in.rdbuf();
    return all.str().find(text) != std::string::npos;
}

} // namespace

bool run_wait_log(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    std::string text;
    for (const std::string &word : command.args) {
        text += (text.empty() ? "" : " ") + word;
    }
    return wait_for(
        context, WAIT_TIMEOUT_MS, "wait-log \"" + text + "\"",
        [&text] { return log_contains(text); }, error);
}

// Until the application has played a sound, collected as the simulator's loops
// collect it.
bool run_wait_sound(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    // The simulated board's watch, on every turn of the wait, collects the sound.
    uint32_t before = buzzer_playbacks_collected();
    auto played = [before] { return buzzer_playbacks_collected() != before; };
    return wait_for_command(context, command, 0, played, error, "no sound within");
}
