// The board a scenario plays on: the simulated board or the QEMU board. The
// player boots and shuts the board down through this table, and the commands
// that mean the same on both reach their board only through it; a command that
// needs more of the board than this is played by one board alone, and the other
// refuses it by name before it boots. Each board's table lives in its folder.
#pragma once

#include <cstdint>
#include <string>

struct ScenarioContext;
struct SimOptions;

struct BoardResources {
    long descriptors = -1; // open descriptors of the running start's main process
    long resident_kb = -1; // its resident memory
};

struct ScenarioBoard {
    const char *name; // as an error names it: "the simulated board"
    const char *log;  // the file in the output folder that tells what the board said
    unsigned plays;   // SIM_BOARD or QEMU_BOARD: the rows of the command table it plays
    // Starts the board and its application; *start_us: the scenario's time zero.
    bool (*boot)(const SimOptions &options, uint64_t *start_us, std::string *why);
    // Ends the board after the scenario played with `result`: the run's status,
    // failed for a fault the board saw (a kernel's), and where its log is.
    int (*shutdown)(const SimOptions &options, int result);
    // False once the scenario cannot go on (init gave up, QEMU ended); *why says why.
    bool (*running)(ScenarioContext &context, std::string *why);
    // The pen at raw panel values, and lifted.
    void (*press_raw)(int32_t raw_x, int32_t raw_y);
    void (*release)();
    // The screen, 320x240 RGB565, as a whole frame where the board can tell.
    void (*screen)(uint16_t *pixels);
    // Frames shown so far, and of them the frames of slides; whether the shown
    // scene is still and the application has taken the last touch; whether the
    // running start has read its address.
    uint32_t (*frames)();
    uint32_t (*slide_frames)();
    bool (*idle)();
    bool (*address_read)();
    void (*set_link)(bool plugged);
    // SIGKILL to the running start's main process; *what says which, and when.
    bool (*kill_app)(std::string *what, std::string *error);
    // eth0's address (network byte order); false when it has none.
    bool (*eth0_address)(uint32_t *address);
    // udhcpc processes on the board, -1 with *error set when they cannot be counted.
    int (*dhcp_clients)(std::string *error);
    // SIGUSR1 (renew) or SIGUSR2 (release) to the board's udhcpc.
    bool (*signal_dhcp_client)(bool renew, std::string *what, std::string *error);
    bool (*resources)(BoardResources *now, std::string *error);
};
