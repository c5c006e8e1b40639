#include "qemu/qemu_board.h"

#include "devices/board_clock.h"
#include "devices/child_process.h"
#include "qemu/guest_agent.h"
#include "qemu/guest_console.h"
#include "qemu/guest_dm9000.h"
#include "qemu/guest_memory.h"
#include "qemu/qemu_launch.h"
#include "scenario/scenario.h"

#include <arpa/inet.h>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

// A screenshot waits this long for the application to sit in an event wait: the
// fanfare holds the screen, whole, without one.
constexpr uint64_t STEADY_WAIT_US = 2000000;
// Questions to the guest take its one CPU from the application: a wait asks at
// most this often.
constexpr useconds_t ASK_EVERY_US = 20000;

QemuMachine machine;
int qemu_status = -1;

void ask(const std::string &command) {
    std::vector<std::string> lines;
    std::string error;
    if (!guest_agent_ask(command, &lines, &error)) {
        fprintf(stderr, "ipslide-sim: the guest agent refused \"%s\": %s\n", command.c_str(),
                error.c_str());
    }
}

bool ask_long(const std::string &command, long *value, std::string *error) {
    std::vector<std::string> words;
    if (!guest_agent_value(command, &words, error)) {
        return false;
    }
    char *end = nullptr;
    *value = words.empty() ? 0 : strtol(words[0].c_str(), &end, 10);
    if (words.empty() || *end != '\0') {
        *error = "the guest agent's answer to \"" + command + "\" is not a number";
        return false;
    }
    return true;
}

bool qemu_running(ScenarioContext &, std::string *why) {
    if (qemu_status == -1 && machine.qemu > 0) {
        qemu_status = reap_process(machine.qemu, false);
        machine.qemu = qemu_status == -1 ? machine.qemu : -1;
    }
    if (qemu_status == -1) {
        return true;
    }
    *why = "QEMU " + describe_wait_status(qemu_status) + "; the console's last lines:\n" +
           guest_console_tail();
    return false;
}

void qemu_press_raw(int32_t raw_x, int32_t raw_y) {
    ask("press-raw " + std::to_string(raw_x) + " " + std::to_string(raw_y));
}

void qemu_release() {
    ask("release");
}

// The counts of event waits and of slide pauses, begun and ended; true while the
// main process is in one of them, which the counts then tell from the next.
bool holding(std::array<uint32_t, 4> *counts) {
    *counts = {guest_dm9000_word(MOMENT_WAITS_BEGUN), guest_dm9000_word(MOMENT_WAITS_ENDED),
               guest_dm9000_word(MOMENT_PAUSES_BEGUN), guest_dm9000_word(MOMENT_PAUSES_ENDED)};
    return (*counts)[0] != (*counts)[1] || (*counts)[2] != (*counts)[3];
}

// The screen is whole while the main process sits in an event wait or in the
// pause after a slide's frame. The agent tells of its end only once it has read
// it, so a copy counts only when the one it began in still goes on after the
// agent has taken in every trace event; before the first frame there is nothing
// to tear, and the fanfare holds the screen, whole, outside any of them.
void qemu_screen(uint16_t *pixels) {
    uint64_t give_up = monotonic_us() + STEADY_WAIT_US;
    for (std::array<uint32_t, 4> before, after;; usleep(1000)) {
        bool held = holding(&before);
        if (held || before[0] == 0 || monotonic_us() > give_up) {
            guest_memory_screen(pixels);
            if (!held) {
                return;
            }
            ask("moments");
            holding(&after);
            if (after == before) {
                return;
            }
        }
    }
}

uint32_t qemu_frames() {
    return guest_dm9000_word(MOMENT_WAITS_BEGUN);
}

bool qemu_idle() {
    return guest_dm9000_word(MOMENT_IDLE) != 0;
}

uint32_t qemu_slide_frames() {
    return guest_dm9000_word(MOMENT_PAUSES_BEGUN);
}

bool qemu_address_read() {
    return guest_dm9000_word(MOMENT_ADDRESS_READ) != 0;
}

// The agent answers "killed PID".
bool qemu_kill_app(std::string *what, std::string *error) {
    std::vector<std::string> lines;
    if (!guest_agent_ask("kill", &lines, error)) {
        return false;
    }
    *what = "main process " + (lines.empty() ? std::string("?") : lines[0].substr(7));
    return true;
}

bool qemu_eth0_address(uint32_t *address) {
    usleep(ASK_EVERY_US);
    std::vector<std::string> words;
    std::string ignored;
    in_addr a{};
    if (!guest_agent_value("eth0", &words, &ignored) || words.size() != 2 ||
        inet_pton(AF_INET, words[1].c_str(), &a) != 1 || a.s_addr == 0) {
        return false;
    }
    *address = a.s_addr;
    return true;
}

int qemu_dhcp_clients(std::string *error) {
    long count = -1;
    return ask_long("clients", &count, error) ? static_cast<int>(count) : -1;
}

bool qemu_signal_dhcp_client(bool renew, std::string *what, std::string *error) {
    std::vector<std::string> lines;
    if (!guest_agent_ask(std::string("signal-client ") + (renew ? "renew" : "release"), &lines,
                         error)) {
        return false;
    }
    *what = lines.empty() ? "udhcpc" : lines[0];
    return true;
}

// "resources PID FDS RSS_KB"
bool qemu_resources(BoardResources *now, std::string *error) {
    std::vector<std::string> words;
    if (!guest_agent_value("resources", &words, error)) {
        return false;
    }
    if (words.size() != 3) {
        *error = "the guest agent's resources line has not three numbers";
        return false;
    }
    now->descriptors = atol(words[1].c_str());
    now->resident_kb = atol(words[2].c_str());
    return true;
}

// The scenario's time starts once the board has booted.
bool qemu_board_boot(const SimOptions &options, uint64_t *start_us, std::string *why) {
    bool booted = qemu_boot(options, &machine, why);
    *start_us = monotonic_us();
    return booted;
}

// A kernel fault fails the run whatever the scenario checked.
int qemu_board_shutdown(const SimOptions &options, int result) {
    std::string fault = guest_console_fault();
    if (!fault.empty()) {
        fprintf(stderr, "ipslide-sim: the board's kernel reported a fault: %s\n", fault.c_str());
        result = 1;
    }
    qemu_shutdown(&machine);
    printf("ipslide-sim: the board's console is in %s/console.log\n", options.out_dir.c_str());
    return result;
}

const ScenarioBoard QEMU = {
    "the QEMU board",  "console.log",          QEMU_BOARD,
    qemu_board_boot,   qemu_board_shutdown,    qemu_running,
    qemu_press_raw,    qemu_release,           qemu_screen,
    qemu_frames,       qemu_slide_frames,      qemu_idle,
    qemu_address_read, guest_dm9000_set_cable, qemu_kill_app,
    qemu_eth0_address, qemu_dhcp_clients,      qemu_signal_dhcp_client,
    qemu_resources,
};

} // namespace

const ScenarioBoard &qemu_scenario_board() {
    return QEMU;
}
