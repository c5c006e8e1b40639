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
};

extern FakeBoard fake_board;

// Lays the files out anew and installs the table's entries.
void fake_board_install();
// Writes a file of the fake board (path as the doctor names it).
void fake_board_write(const std::string &path, const std::string &text, int mode = 0644);
// Removes the scratch folder.
void fake_board_remove();
