// The scenario commands only the QEMU board plays: probes of the guest's
// processes, mounts and device nodes through its agent.
#include "devices/child_process.h"
#include "front/progress.h"
#include "qemu/guest_agent.h"
#include "qemu/guest_console.h"
#include "qemu/masked_faults.h"
#include "qemu/qemu_board.h"
#include "scenario/commands.h"
#include "scenario/player.h"

#include <cstdio>
#include <fstream>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

// OUT/NAME.txt: the application's processes and their parents, the mounts on
// /tmp/d and the character devices in /tmp, as the agent reports them.
bool run_inspect(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    std::vector<std::string> lines;
    if (!guest_agent_ask("inspect", &lines, error)) {
        *error = "inspect: " + *error;
        return false;
    }
    std::string path = context.options->out_dir + "/" + command.args[0] + ".txt";
    std::ofstream out(path);
    for (const std::string &line : lines) {
        out << line << "\n";
    }
    if (!out.flush()) {
        *error = "cannot write " + path;
        return false;
    }
    progress(command.at_ms, "inspect %s", path.c_str());
    return true;
}

bool run_expect_no_zombies(ScenarioContext &, const ScenarioCommand &command, std::string *error) {
    std::vector<std::string> words;
    if (!guest_agent_value("zombies", &words, error)) {
        *error = "expect-no-zombies: " + *error;
        return false;
    }
    if (words.empty() || words[0] != "0") {
        *error = "expect-no-zombies: " + (words.empty() ? std::string("?") : words[0]) +
                 " zombie processes on the board";
        return false;
    }
    progress(command.at_ms, "no zombie on the board");
    return true;
}

namespace {

constexpr uint32_t PAGE_BYTES = 4096;
constexpr long MASKED_FAULTS_TIMEOUT_MS = 120000;
constexpr long WAIT_CONSOLE_TIMEOUT_MS = 120000;

// The address and size of `name` in the board binary's symbol table, as the cross
// binutils' nm lists it: "NAME TYPE VALUE SIZE" a line in its POSIX format.
bool board_symbol(const std::string &binary, const std::string &name, uint32_t *address,
                  uint32_t *size, std::string *error) {
    ChildSetup setup;
    setup.output_fd = memfd_create("nm", MFD_CLOEXEC);
    FILE *lines = setup.output_fd >= 0 ? fdopen(setup.output_fd, "w+") : nullptr;
    std::string why = "no memory file";
    if (lines == nullptr ||
        !run_process({"arm-linux-gnueabi-nm", "--format=posix", "--defined-only", binary}, &why,
                     setup)) {
        *error = "arm-linux-gnueabi-nm cannot list the symbols of " + binary + " (" + why + ")";
        if (lines != nullptr) {
            fclose(lines);
        }
        return false;
    }
    rewind(lines);
    bool found = false;
    char line[512], listed[256], type = 0;
    while (!found && fgets(line, sizeof line, lines) != nullptr) {
        found = sscanf(line, "%255s %c %x %x", listed, &type, address, size) == 4 && name == listed;
    }
    fclose(lines);
    if (!found) {
        *error = binary + " has no symbol " + name;
    }
    return found;
}

} // namespace

// The pages wholly inside SYMBOL of the board binary, from its second page on,
// taken out of the main process's memory as memory pressure would take them. The
// symbol's first page stays, so that a fault on the others comes well after the
// symbol's first use (see masked_faults.h). Fails unless every page is out.
bool run_pageout(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    uint32_t address = 0, size = 0;
    std::string binary = context.options->source_dir + "/build/arm/bin/ipslide";
    if (!board_symbol(binary, command.args[0], &address, &size, error)) {
        *error = "pageout: " + *error;
        return false;
    }
    uint32_t start = (address + 2 * PAGE_BYTES - 1) / PAGE_BYTES * PAGE_BYTES;
    uint32_t end = (address + size) / PAGE_BYTES * PAGE_BYTES;
    if (end <= start) {
        *error = "pageout: " + command.args[0] + " has no whole page past its first";
        return false;
    }
    std::vector<std::string> words;
    std::string ask = "pageout " + std::to_string(start) + " " + std::to_string(end);
    if (!guest_agent_value(ask, &words, error) || words.size() != 2) {
        *error = "pageout: " + *error;
        return false;
    }
    if (words[0] != "0") {
        *error = "pageout: " + words[0] + " of " + words[1] + " pages of " + command.args[0] +
                 " are still in the main process's memory";
        return false;
    }
    progress(command.at_ms, "pageout %s: %s pages out of memory", command.args[0].c_str(),
             words[1].c_str());
    return true;
}

bool run_watch_masked_faults(ScenarioContext &, const ScenarioCommand &command,
                             std::string *error) {
    if (!masked_faults_watch(error)) {
        *error = "watch-masked-faults: " + *error;
        return false;
    }
    progress(command.at_ms, "watching INTMSK for the next playback");
    return true;
}

bool run_expect_no_masked_faults(ScenarioContext &context, const ScenarioCommand &command,
                                 std::string *error) {
    if (!wait_for_command(
            context, command, 0, [] { return !masked_faults_pending(); }, error,
            "no playback began and ended within", MASKED_FAULTS_TIMEOUT_MS)) {
        return false;
    }
    MaskedFaults faults;
    if (!masked_faults_result(&faults, error)) {
        *error = "expect-no-masked-faults: " + *error;
        return false;
    }
    if (faults.minor + faults.major != 0) {
        *error = "expect-no-masked-faults: " + std::to_string(faults.minor) + " minor and " +
                 std::to_string(faults.major) +
                 " major page faults while every interrupt was masked";
        return false;
    }
    progress(command.at_ms, "no page fault while every interrupt was masked");
    return true;
}

// Until the serial console has printed TEXT: what init's programs print, the
// application's messages and the kernel's.
bool run_wait_console(ScenarioContext &context, const ScenarioCommand &command,
                      std::string *error) {
    std::string text;
    for (const std::string &word : command.args) {
        text += (text.empty() ? "" : " ") + word;
    }
    if (!wait_for(
            context, WAIT_CONSOLE_TIMEOUT_MS, "wait-console \"" + text + "\"",
            [&text] { return guest_console_has(text); }, error)) {
        return false;
    }
    progress(command.at_ms, "the console printed \"%s\"", text.c_str());
    return true;
}
