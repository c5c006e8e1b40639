// Scenario commands that wait for a state of the application, or for the sound of
// its buzzer, instead of guessing how long it takes: on a loaded machine
// everything after such a wait simply moves later by the time it took.
#include "board/app_process.h"
#include "board/board_clock.h"
#include "board/board_state.h"
#include "devices/buzzer_sound.h"
#include "scenario/commands.h"
#include "scenario/scenario.h"
#include "scenario/wait_for.h"

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

constexpr long DEFAULT_TIMEOUT_MS = 15000;

bool timeout_arg(const ScenarioCommand &command, size_t index, long *timeout, std::string *error) {
    *timeout = DEFAULT_TIMEOUT_MS;
    if (command.args.size() > index && !parse_int_arg(command.args[index], 1, 600000, timeout)) {
        *error = "\"" + command.args[index] + "\" is not a timeout in milliseconds";
        return false;
    }
    return true;
}

} // namespace

bool run_wait_idle(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    long timeout = 0;
    if (!timeout_arg(command, 0, &timeout, error)) {
        return false;
    }
    const ScenarioBoard *board = context.board;
    return wait_for(
        context, timeout, "wait-idle", [board] { return board->idle(); }, error);
}

bool run_wait_frames(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    long frames = 0, timeout = 0;
    if (!parse_int_arg(command.args[0], 1, 100000, &frames)) {
        *error = "\"" + command.args[0] + "\" is not a number of frames";
        return false;
    }
    if (!timeout_arg(command, 1, &timeout, error)) {
        return false;
    }
    const ScenarioBoard *board = context.board;
    uint32_t target = board->frames() + static_cast<uint32_t>(frames);
    return wait_for(
        context, timeout, "wait-frames",
        [board, target] { return static_cast<int32_t>(board->frames() - target) >= 0; }, error);
}

bool run_wait_slide(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    long timeout = 0;
    if (!timeout_arg(command, 0, &timeout, error)) {
        return false;
    }
    return wait_for(
        context, timeout, "wait-slide", [] { return board_state()->in_frame_delay.load() != 0; },
        error);
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
        context, DEFAULT_TIMEOUT_MS, "wait-log \"" + text + "\"",
        [&text] { return log_contains(text); }, error);
}

// Until the application has played a sound, collected as the simulator's loops
// collect it.
bool run_wait_sound(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    long timeout_ms = 15000;
    if (!command.args.empty() && !parse_int_arg(command.args[0], 1, 600000, &timeout_ms)) {
        *error = "\"" + command.args[0] + "\" is not a timeout in milliseconds";
        return false;
    }
    uint64_t begin = monotonic_us();
    while (!soc_poll_playback(*context.options)) {
        int status = app_poll();
        if (status != -1) {
            context.app_status = status;
            *error = "wait-sound: the application " + describe_wait_status(status);
            return false;
        }
        if (monotonic_us() - begin > static_cast<uint64_t>(timeout_ms) * 1000) {
            *error = "wait-sound: no sound within " + std::to_string(timeout_ms) + " ms";
            return false;
        }
        usleep(1000);
    }
    context.shift_us += monotonic_us() - begin;
    return true;
}
