// The simulated board's shared state: one anonymous shared mapping made before the
// application is forked, so the simulator (the "hardware" side) and every process
// of the application (which reaches it through the simulated platform table) see
// the same screen memory and device registers.
#pragma once

#include "model/lcd.h"

#include <atomic>
#include <cstdint>
#include <sys/types.h>

struct BoardState {
    // LCD: landscape 320x240 RGB565, exactly what the application's mmap returns.
    uint16_t screen[LCD_PIXELS];
    // What the main process is doing, as it tells its moments, for scenarios that
    // wait for a state instead of guessing times: each event wait it begins,
    // whether it is blocked without a time limit (the shown scene is idle), and
    // each pause between slide frames.
    std::atomic<int32_t> app_pid;
    std::atomic<uint32_t> waits;
    std::atomic<int32_t> idle_wait;
    std::atomic<uint32_t> slide_frames;
    // 1 while the main process sits in an event wait or in the pause after a slide
    // frame: the screen holds a whole frame then, so a screenshot cannot tear.
    std::atomic<int32_t> in_wait;
    std::atomic<int32_t> in_frame_delay;
    // When the main process began its current wait, and when the pen last went down
    // (monotonic microseconds): an idle wait begun after the last press has seen it.
    std::atomic<uint64_t> wait_begin_us;
    std::atomic<uint64_t> press_us;
    // Which process read the leased address, and what it read.
    std::atomic<int32_t> address_reader;
    char address_read[16];
    int log_fd = -1;    // open on log_path before the fork: valid whatever the process's /tmp
    char log_path[512]; // where the application's /dev/null output goes
    char boot_dir[512]; // the folder bind-mounted on the application's /tmp
};

// Created once by the simulator; inherited by the application's processes.
BoardState *board_state();
void board_state_create();
