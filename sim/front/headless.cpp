#include "front/headless.h"

#include "board/app_process.h"
#include "board/board_clock.h"
#include "devices/buzzer_sound.h"
#include "scenario/scenario.h"

#include <cstdio>
#include <unistd.h>

namespace {

// Sleeps until the command's time, watching the application meanwhile.
bool wait_until(const ScenarioContext &context, uint32_t at_ms, int *app_status) {
    uint64_t due = context.start_us + context.shift_us + static_cast<uint64_t>(at_ms) * 1000;
    for (;;) {
        uint64_t now = monotonic_us();
        if (now >= due) {
            return true;
        }
        soc_poll_playback(*context.options);
        *app_status = app_poll(context.app);
        if (*app_status != -1) {
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
    int &app_status = context.app_status;
    for (const ScenarioCommand &command : commands) {
        if (!wait_until(context, command.at_ms, &app_status)) {
            fprintf(stderr, "ipslide-sim: the application %s before %u ms (see %s/app.log)\n",
                    describe_wait_status(app_status).c_str(), command.at_ms,
                    options.out_dir.c_str());
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

bool load_scenario(const SimOptions &options, std::vector<ScenarioCommand> *commands) {
    std::string error;
    if (!parse_scenario(options.script, commands, &error)) {
        fprintf(stderr, "ipslide-sim: %s\n", error.c_str());
        return false;
    }
    return true;
}

int run_headless(const SimOptions &options) {
    std::vector<ScenarioCommand> commands;
    if (!load_scenario(options, &commands)) {
        return 2;
    }
    ScenarioContext context;
    context.options = &options;
    context.start_us = monotonic_us();
    context.app = app_launch();
    int result = play_scenario(context, commands);
    app_stop(context.app);
    if (app_starts() > 1) {
        printf("ipslide-sim: the application was started %d times in this boot\n", app_starts());
    }
    return result;
}
