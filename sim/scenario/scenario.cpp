#include "scenario/scenario.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string where(const std::string &path, int line) {
    return path + ":" + std::to_string(line) + ": ";
}

std::string board_name(unsigned board) {
    return board == QEMU_BOARD ? "the QEMU board" : "the simulated board";
}

std::string commands_of(CommandTable table, unsigned board) {
    std::string names;
    for (const CommandSpec &entry : table) {
        if ((entry.boards & board) != 0) {
            names += (names.empty() ? "" : ", ") + std::string(entry.name);
        }
    }
    return names;
}

bool parse_line(const std::string &text, CommandTable table, ScenarioCommand *command,
                std::string *why, unsigned board) {
    std::istringstream in(text);
    std::string at, time;
    in >> at >> time >> command->name;
    if (at != "at" || command->name.empty()) {
        *why = "expected \"at MS COMMAND [ARGS...]\"";
        return false;
    }
    long ms = 0;
    if (!parse_int_arg(time, 0, 86400000, &ms)) {
        *why = "\"" + time + "\" is not a time in milliseconds";
        return false;
    }
    command->at_ms = static_cast<uint32_t>(ms);
    for (std::string word; in >> word;) {
        command->args.push_back(word);
    }
    const CommandSpec *entry = find_command(table, command->name);
    if (entry == nullptr) {
        *why = "unknown command \"" + command->name + "\"";
        return false;
    }
    if ((entry->boards & board) == 0) {
        *why = board_name(board) + " cannot play \"" + command->name + "\"; it plays " +
               commands_of(table, board);
        return false;
    }
    int n = static_cast<int>(command->args.size());
    if (n < entry->min_args || n > entry->max_args) {
        *why = std::string("usage: at MS ") + entry->usage;
        return false;
    }
    command->row = entry;
    return true;
}

} // namespace

bool parse_int_arg(const std::string &text, long min, long max, long *value) {
    if (text.empty()) {
        return false;
    }
    char *end = nullptr;
    errno = 0;
    long v = strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max) {
        return false;
    }
    *value = v;
    return true;
}

const CommandSpec *find_command(CommandTable table, const std::string &name) {
    for (const CommandSpec &entry : table) {
        if (name == entry.name) {
            return &entry;
        }
    }
    return nullptr;
}

bool parse_scenario(const std::string &path, CommandTable table,
                    std::vector<ScenarioCommand> *commands, std::string *error, unsigned board) {
    std::ifstream in(path);
    if (!in) {
        *error = path + ": cannot read the scenario";
        return false;
    }
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        text = text.substr(0, text.find('#'));
        if (text.find_first_not_of(" \t\r") == std::string::npos) {
            continue;
        }
        ScenarioCommand command;
        command.line = line;
        std::string why;
        if (!parse_line(text, table, &command, &why, board)) {
            *error = where(path, line) + why;
            return false;
        }
        commands->push_back(command);
    }
    // Commands run in time order; lines with the same time keep their file order.
    std::stable_sort(
        commands->begin(), commands->end(),
        [](const ScenarioCommand &a, const ScenarioCommand &b) { return a.at_ms < b.at_ms; });
    return true;
}
