// A board for the doctor, in-process: its files in a scratch folder (the paths
// /proc, /sys, /etc, /sbin and /tmp are looked up there), its framebuffer, /dev/mem,
// DM9000, eth0 and touch node played through the platform table. As installed it
// passes every check; each field below breaks one thing.
#pragma once

#include <string>

struct FakeBoard {
    std::string root; // the scratch folder
    bool mode_refused = false;
    bool dev_mem_refused = false;
    bool stick_missing = false;
    bool eth0_down = false;
    // Seconds a clock reading moves on: 0 reads the real clock.
    long clock_step_s = 0;
    // The framebuffer driver's name, as FBIOGET_FSCREENINFO gives it.
    const char *fb_id = "board-vm fb";
};

// What the doctor did to the board: a run as it should be sets no mode, writes
// no register but the DM9000's index port, mounts only read-only and unmounts
// what it mounted, and never opens the watchdog.
struct BoardTouches {
    int modes_set = 0;
    int registers_written = 0; // other than the DM9000's index port
    int index_writes = 0;
    int mem_maps = 0;
    int mounts = 0;
    int writable_mounts = 0;
    int unmounts = 0;
    int watchdog_opens = 0;
};

extern BoardTouches board_touches;

extern FakeBoard fake_board;

// Lays the files out anew and installs the table's entries.
void fake_board_install();
// Writes a file of the fake board (path as the doctor names it).
void fake_board_write(const std::string &path, const std::string &text, int mode = 0644);
// Removes the scratch folder.
void fake_board_remove();
