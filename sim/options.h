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
    int lease_delay_ms = 1000;
    std::string source_dir = IPSLIDE_SOURCE_DIR; // the tree holding deploy/udhcpc.conf
};
