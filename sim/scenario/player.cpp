#include "scenario/player.h"

#include "devices/board_clock.h"

#include <cstdio>
#include <unistd.h>

namespace {

constexpr uint64_t POLL_US = 1000;

enum class Waited { ready, late, stopped };

// The one wait loop: until ready() holds (without one, until until_us), the
// board stops (*why says why) or until_us passes. The timeline's due events
// fire first on every turn.
Waited wait(ScenarioContext &context, uint64_t until_us, const std::function<bool()> &ready,
            std::string *why) {
    for (;;) {
        context.later.fire_due(monotonic_us());
        if (ready ? ready() : monotonic_us() >= until_us) {
            return Waited::ready;
        }
        if (!context.board->running(context, why)) {
            return Waited::stopped;
        }
        uint64_t now = monotonic_us();
        if (now > until_us) {
            return Waited::late;
        }
        uint64_t left = until_us - now;
        usleep(static_cast<useconds_t>(left < POLL_US ? left : POLL_US));
    }
}

} // namespace

bool wait_for(ScenarioContext &context, long timeout_ms, const std::string &what,
              const std::function<bool()> &ready, std::string *error, const char *late) {
    uint64_t begin = monotonic_us();
    std::string why;
    Waited waited = wait(context, begin + static_cast<uint64_t>(timeout_ms) * 1000, ready, &why);
    if (waited == Waited::ready) {
        context.shift_us += monotonic_us() - begin;
        return true;
    }
    *error =
        what + ": " +
        (waited == Waited::stopped ? why
                                   : std::string(late) + " " + std::to_string(timeout_ms) + " ms");
    return false;
}

bool load_scenario(const SimOptions &options, const ScenarioBoard &board,
                   std::vector<ScenarioCommand> *commands) {
    std::string error;
    if (!parse_scenario(options.script, commands, &error, board.plays)) {
        fprintf(stderr, "ipslide-sim: %s\n", error.c_str());
        return false;
    }
    return true;
}

int play_scenario(ScenarioContext &context, const std::vector<ScenarioCommand> &commands) {
    const SimOptions &options = *context.options;
    std::string error;
    int result = 0;
    for (const ScenarioCommand &command : commands) {
        uint64_t due = context.start_us + context.shift_us + uint64_t{command.at_ms} * 1000;
        // Without a state to wait for, being late for the command is being on time.
        if (wait(context, due, nullptr, &error) == Waited::stopped) {
            fprintf(stderr, "ipslide-sim: %s before %u ms (see %s/%s)\n", error.c_str(),
                    command.at_ms, options.out_dir.c_str(), context.board->log);
            result = 1;
            break;
        }
        if (!find_command(command.name)->run(context, command, &error)) {
            fprintf(stderr, "ipslide-sim: %s:%d: %s\n", options.script.c_str(), command.line,
                    error.c_str());
            result = 1;
            break;
        }
        if (context.finished) {
            break;
        }
    }
    context.later.clear();
    return result;
}

int run_headless(const ScenarioBoard &board, const SimOptions &options) {
    std::vector<ScenarioCommand> commands;
    if (!load_scenario(options, board, &commands)) {
        return 2;
    }
    ScenarioContext context;
    context.options = &options;
    context.board = &board;
    std::string why;
    if (!board.boot(options, &context.start_us, &why)) {
        fprintf(stderr, "ipslide-sim: %s: %s\n", board.name, why.c_str());
        return 2;
    }
    return board.shutdown(options, play_scenario(context, commands));
}
