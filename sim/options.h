// What the simulator was asked to do, from its command line.
#pragma once

#include <string>

struct SimOptions {
    bool headless = false;
    std::string script;          // scenario file (headless)
    std::string out_dir = "out"; // screenshots, WAV and the application's log
    int scale = 2;               // window zoom
    std::string stick;           // folder or ext4 image; empty: the default stick
    bool cable = true;           // cable plugged in at start (link comes up after 500 ms)
    std::string lease = "192.168.1.42";
    int lease_seconds = 3600; // how long a lease lasts: udhcpc renews after half of it
    std::string source_dir = IPSLIDE_SOURCE_DIR; // the tree holding deploy/udhcpc.conf
    // "sim": the simulated board; "qemu": the board binary on a real kernel
    // (qemu/qemu_board.h), booted with `inittab`.
    std::string board = "sim";
    std::string inittab = std::string(IPSLIDE_SOURCE_DIR) + "/deploy/inittab";
    // QEMU's power button left in the QEMU board's device tree: a gpio-keys input
    // device the kernel registers before the panel, as on a stock mini2440.
    bool power_button = false;
};
