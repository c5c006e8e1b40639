// Each path of the program walked with every platform call failing in turn, the
// list compared with its reviewed file in expected/. A changed list fails here
// with the lines that differ; after reviewing the change, the files are written
// anew by running this program with WALKER_REGENERATE=1.
#include "app/event_wait.h"
#include "app/main_loop.h"
#include "app/time_base.h"
#include "display/framebuffer.h"
#include "fault_walker.h"
#include "font/font_discovery.h"
#include "scenes/puzzle/buzzer_internal.h"
#include "scenes/puzzle/puzzle_board.h"
#include "support/test_board.h"
#include "walk_lists.h"
#include "workers/net_bringup.h"
#include "workers/net_worker.h"
#include "workers/touch_reader.h"
#include "workers/worker_tie.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Test names and messages show the path by its name.
void PrintTo(const WalkPath &path, std::ostream *out) {
    *out << path.name;
}

namespace {

constexpr pid_t MAIN_PROCESS = 100;      // the test board's getpid and getppid
constexpr int TOUCH_PIPE_WRITE_END = 71; // the test board takes any descriptor

// Both pipes made and both workers forked, on the parent's side.
void board_after_the_worker_starts() {
    test_board::install();
    net_worker_start();
    touch_worker_start();
}

// The workers' children, from right after the fork.
// The network worker's start as its child runs it: the fork, the tie, the
// address pipe's hand-over and the bring-up.
void network_worker_child() {
    net_worker_start();
}
void touch_reader_child() {
    worker_tie_to_parent(MAIN_PROCESS);
    touch_reader_run(TOUCH_PIPE_WRITE_END);
}

// One byte is eight bits, which is the whole playback path; the fanfare's
// thousands of bits would only repeat its inner loop.
constexpr uint8_t SHORT_SAMPLE[] = {0xA5};

// The atlas reports each glyph's box as "x .. y .. x_max .. y_max ..".
constexpr char GLYPH_BOX[] = "x ";

// The buzzer's registers, each access a line on standard error: a run's line then
// also tells how many were touched before it ended.
void board_showing_registers() {
    test_board::install();
    test_board::soc.accesses_on_stderr = true;
}
constexpr char REGISTER[] = "register ";

// The review of the lists: every failure that ends a run ends it with its
// message, or silently where the code says so (the touch pipe's aborts, a stick
// without a font). The runs that go on to "exit 0" are these, and why:
// - a close, closedir or munmap after the work is done: nothing depends on it;
// - the mount table unreadable: read as "not mounted", so the stick is mounted
//   (once more, after a restart: the same stick, harmless); a failed mount is
//   retried; a failed stat after mkdir's EEXIST reports mkdir's own error;
// - the clock: a failed reading is 0 ms, the scene's time stands still once;
// - usleep cut short: one frame, or the touch's settle pause, is shorter;
// - prctl: the worker runs untied, as it did before ties existed;
// - the buzzer's memory lock refused: the sample is read in first and the
//   fanfare plays all the same; its unlock refused: the pages stay pinned;
// - unlink of a stale /tmp/touch: mknod then reports what is in the way;
// - open("/dev/null") in start_network_worker: the address pipe then takes
//   lower descriptors than 3 and 4, and the address still arrives: the worker
//   hands its write end on as descriptor 9 wherever it was;
// - the read of the address pipe in event_wait: the address shows empty for
//   good, as the worker tests' AddressPipe case pins down. select has reported
//   the pipe readable, so only a signal could fail the read, and none is caught.
// And the buzzer touches no register before /dev/mem is open and all three
// blocks are mapped: a failure there must not leave the interrupts masked.
const WalkPath PATHS[] = {
    // The main process's start-up, one step at a time, in its order. The
    // backgrounds are composed in between without a single platform call.
    {"start_network_worker", test_board::install, [] { net_worker_start(); }, nullptr},
    {"start_font", test_board::install, [] { font_load_from_usb(); }, GLYPH_BOX},
    {"start_touch_worker", test_board::install, [] { touch_worker_start(); }, nullptr},
    {"start_framebuffer", test_board::install, fb_open, nullptr},
    {"start_time_base", test_board::install, time_base_init, nullptr},
    // A start after an earlier one in this boot takes the folder and the mount.
    {"start_font_restarted", test_board::install_restarted, [] { font_load_from_usb(); },
     GLYPH_BOX},
    // The main loop: a frame of each scene, a frame of the slide between them,
    // the reshuffle a touch in the corner asks for, and a turn of the event wait
    // with the address and a touch both waiting.
    {"scene_frames", test_board::install,
     [] {
         time_base_init();
         scene_render(SCENE_ADDRESS);
         scene_render(SCENE_PUZZLE);
     },
     nullptr},
    {"slide_frame", test_board::install, frame_delay, nullptr},
    {"puzzle_reset", test_board::install, puzzle_reset, nullptr},
    {"event_wait", board_after_the_worker_starts, [] { wait_events(50); }, nullptr},
    // The workers, and the buzzer as a victory plays it.
    {"network_worker", test_board::install_child_side, network_worker_child, nullptr},
    {"touch_reader", test_board::install, touch_reader_child, nullptr},
    {"touch_reader_restarted", test_board::install_restarted, touch_reader_child, nullptr},
    {"buzzer", board_showing_registers,
     [] { buzzer_play_sample(SHORT_SAMPLE, sizeof SHORT_SAMPLE); }, REGISTER},
};

std::string expected_path(const char *name) {
    return std::string(WALKER_EXPECTED_DIR) + "/" + name + ".txt";
}

std::string header(const char *name) {
    return std::string("# The fault walk of the path ") + name +
           " (tests/walker): platform call N fails, one run each.\n"
           "# N, the entry, its errno -> how the run ended, its standard error.\n"
           "# Why each run that ends with exit 0 may: the review in test_walker.cpp.\n"
           "# After reviewing a change: WALKER_REGENERATE=1 build/host/bin/test_walker\n";
}

class Walk : public testing::TestWithParam<WalkPath> {};

TEST_P(Walk, MatchesItsReviewedList) {
    const WalkPath &path = GetParam();
    std::vector<std::string> actual = walk(path);
    if (getenv("WALKER_REGENERATE") != nullptr) {
        write_list(expected_path(path.name), header(path.name), actual);
        GTEST_SKIP() << "wrote " << expected_path(path.name);
    }
    std::vector<std::string> expected = read_list(expected_path(path.name));
    EXPECT_TRUE(expected == actual)
        << expected_path(path.name) << " (-) against this walk (+):\n"
        << differences(expected, actual) << "Review, then regenerate with WALKER_REGENERATE=1.";
}

INSTANTIATE_TEST_SUITE_P(Paths, Walk, testing::ValuesIn(PATHS),
                         [](const testing::TestParamInfo<WalkPath> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
