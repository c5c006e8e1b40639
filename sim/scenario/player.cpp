#include "scenario/player.h"

#include "devices/board_clock.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr uint64_t POLL_US = 1000;

bool timeout_arg(const ScenarioCommand &command, size_t index, long fallback, long *timeout,
                 std::string *error) {
    *timeout = fallback;
    if (command.args.size() > index && !parse_int_arg(command.args[index], 1, 600000, timeout)) {
        *error = "\"" + command.args[index] + "\" is not a timeout in milliseconds";
        return false;
    }
    return true;
}

// The one wait loop: true once ready() holds (without it, once until_us has
// come); false when the board stops (*why says why) or until_us passes first
// (*why empty). The timeline's due events fire first on every turn.
bool wait(ScenarioContext &context, uint64_t until_us, const std::function<bool()> &ready,
          std::string *why) {
    for (;;) {
        context.later.fire_due(monotonic_us());
        uint64_t now = monotonic_us();
        if (ready ? ready() : now >= until_us) {
            return true;
        }
        if (!context.board->running(context, why) || now > until_us) {
            return false;
        }
        usleep(static_cast<useconds_t>(std::min(until_us - now, POLL_US)));
    }
}

} // namespace

bool wait_for(ScenarioContext &context, long timeout_ms, const std::string &what,
              const std::function<bool()> &ready, std::string *error, const char *late) {
    uint64_t begin = monotonic_us();
    std::string why;
    if (wait(context, begin + static_cast<uint64_t>(timeout_ms) * 1000, ready, &why)) {
        context.shift_us += monotonic_us() - begin;
        return true;
    }
    if (why.empty()) {
        why = std::string(late) + " " + std::to_string(timeout_ms) + " ms";
    }
    *error = what + ": " + why;
    return false;
}

bool wait_for_command(ScenarioContext &context, const ScenarioCommand &command, size_t word,
                      const std::function<bool()> &ready, std::string *error, const char *late,
                      long fallback_ms) {
    long timeout = 0;
    std::string what = command.name;
    for (size_t i = 0; i < word && i < command.args.size(); ++i) {
        what += " " + command.args[i];
    }
    return timeout_arg(command, word, fallback_ms, &timeout, error) &&
           wait_for(context, timeout, what, ready, error, late);
}

bool load_scenario(const SimOptions &options, const ScenarioBoard &board, CommandTable table,
                   std::vector<ScenarioCommand> *commands) {
    std::string error;
    if (!parse_scenario(options.script, table, commands, &error, board.plays)) {
        fprintf(stderr, "ipslide-sim: %s\n", error.c_str());
        return false;
    }
    return true;
}

int play_scenario(const ScenarioBoard &board, const SimOptions &options, uint64_t start_us,
                  const std::vector<ScenarioCommand> &commands) {
    ScenarioContext context{
        .options = &options, .board = &board, .start_us = start_us, .later = {}};
    std::string error;
    for (const ScenarioCommand &command : commands) {
        uint64_t due = context.start_us + context.shift_us + uint64_t{command.at_ms} * 1000;
        if (!wait(context, due, nullptr, &error)) {
            fprintf(stderr, "ipslide-sim: %s before %u ms (see %s/%s)\n", error.c_str(),
                    command.at_ms, options.out_dir.c_str(), board.log);
            return 1;
        }
        if (!command.row->run(context, command, &error)) {
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

int run_headless(const ScenarioBoard &board, const SimOptions &options, CommandTable table) {
    std::vector<ScenarioCommand> commands;
    if (!load_scenario(options, board, table, &commands)) {
        return 2;
    }
    uint64_t start_us = 0;
    std::string why;
    if (!board.boot(options, &start_us, &why)) {
        fprintf(stderr, "ipslide-sim: %s: %s\n", board.name, why.c_str());
        return 2;
    }
    return board.shutdown(options, play_scenario(board, options, start_us, commands));
}
