#include "front/headless.h"

#include "board/app_process.h"
#include "board/board_clock.h"
#include "qemu/qemu_board.h"
#include "scenario/scenario.h"

#include <cstdio>
#include <unistd.h>

namespace {

// Sleeps until the command's time, watching the board meanwhile.
bool wait_until(ScenarioContext &context, uint32_t at_ms, std::string *why) {
    uint64_t due = context.start_us + context.shift_us + static_cast<uint64_t>(at_ms) * 1000;
    for (;;) {
        uint64_t now = monotonic_us();
        if (now >= due) {
            return true;
        }
        if (!context.board->running(context, why)) {
            return false;
        }
        uint64_t left = due - now;
        usleep(static_cast<useconds_t>(left < 2000 ? left : 2000));
    }
}

} // namespace

int play_scenario(ScenarioContext &context, const std::vector<ScenarioCommand> &commands) {
    const SimOptions &options = *context.options;
    std::string error;
    for (const ScenarioCommand &command : commands) {
        if (!wait_until(context, command.at_ms, &error)) {
            fprintf(stderr, "ipslide-sim: %s before %u ms (see %s/%s)\n", error.c_str(),
                    command.at_ms, options.out_dir.c_str(), context.board->log);
            return 1;
        }
        if (!find_command(command.name)->run(context, command, &error)) {
            fprintf(stderr, "ipslide-sim: %s:%d: %s\n", options.script.c_str(), command.line,
                    error.c_str());
            return 1;
        }
        if (context.finished) {
            break;
        }
    }
    return 0;
}

bool load_scenario(const SimOptions &options, std::vector<ScenarioCommand> *commands,
                   unsigned board) {
    std::string error;
    if (!parse_scenario(options.script, commands, &error, board)) {
        fprintf(stderr, "ipslide-sim: %s\n", error.c_str());
        return false;
    }
    return true;
}

int run_headless(const SimOptions &options) {
    if (options.board == "qemu") {
        return qemu_run_headless(options);
    }
    std::vector<ScenarioCommand> commands;
    if (!load_scenario(options, &commands)) {
        return 2;
    }
    ScenarioContext context;
    context.options = &options;
    context.start_us = monotonic_us();
    context.app = app_launch();
    int result = play_scenario(context, commands);
    app_stop();
    if (app_starts() > 1) {
        printf("ipslide-sim: the application was started %d times in this boot\n", app_starts());
    }
    return result;
}
