// Scenario scripts for the headless simulator: one command a line,
// "at MS NAME ARGS...", times in milliseconds from the application's start, '#'
// starts a comment. The commands are the rows of one table (sim/command_table.cpp);
// their functions parse their words and call the devices, the board's table or a front.
#pragma once

#include "options.h"
#include "scenario/scenario_board.h"
#include "scenario/timeline.h"

#include <cstdint>
#include <span>
#include <string>
#include <sys/types.h>
#include <vector>

struct CommandSpec;

struct ScenarioCommand {
    uint32_t at_ms = 0;
    std::string name;
    std::vector<std::string> args;
    int line = 0;
    const CommandSpec *row = nullptr; // where the command table has it
};

// What a command can reach while it runs.
struct ScenarioContext {
    const SimOptions *options = nullptr;
    const ScenarioBoard *board = nullptr;
    uint64_t start_us = 0; // monotonic microseconds at the application's start
    uint64_t shift_us = 0; // how far waits for a state have pushed the timeline back
    bool finished = false; // set by "end"
    Timeline later;        // what commands left to do while the player waits
};

constexpr unsigned SIM_BOARD = 1;
constexpr unsigned QEMU_BOARD = 2;
constexpr unsigned BOTH_BOARDS = SIM_BOARD | QEMU_BOARD;

struct CommandSpec {
    const char *name;
    int min_args;
    int max_args;
    const char *usage;
    unsigned boards; // which boards play it; on both it means the same
    // Returns false with *error set when the command fails; the scenario then stops.
    bool (*run)(ScenarioContext &context, const ScenarioCommand &command, std::string *error);
};

// The command table, in the order --help lists it. It sits beside main
// (sim/command_table.cpp), as it names every board's commands; the player is
// handed it, so nothing below main links to a board's commands but the table.
using CommandTable = std::span<const CommandSpec>;
CommandTable all_commands();
// The table's row of that name; nullptr for an unknown name.
const CommandSpec *find_command(CommandTable table, const std::string &name);

// Parses a script of the table's commands; on a bad line returns false with
// "FILE:LINE: why" in *error. A command the board (SIM_BOARD or QEMU_BOARD) does
// not play is such a bad line.
bool parse_scenario(const std::string &path, CommandTable table,
                    std::vector<ScenarioCommand> *commands, std::string *error,
                    unsigned board = SIM_BOARD);

// Argument helpers for command functions.
bool parse_int_arg(const std::string &text, long min, long max, long *value);
// A wait's timeout when the script gives none (player.h).
constexpr long WAIT_TIMEOUT_MS = 15000;
