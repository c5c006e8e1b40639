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
#include "scenes/puzzle/buzzer.h"
#include "scenes/puzzle/puzzle_board.h"
#include "walk_board.h"
#include "workers/net_bringup.h"
#include "workers/net_worker.h"
#include "workers/touch_reader.h"
#include "workers/worker_tie.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
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
    walk_board_install();
    net_worker_start();
    touch_worker_start();
}

// The workers' children, from right after the fork.
void network_worker_child() {
    worker_tie_to_parent(MAIN_PROCESS);
    net_worker_run();
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
// - unlink of a stale /tmp/touch: mknod then reports what is in the way;
// - open("/dev/null") in start_network_worker: NOT harmless. The address pipe
//   then takes lower descriptors than 3 and 4, the DHCP script's write to
//   descriptor 4 goes nowhere, and the address never shows, without a word;
// - the read of the address pipe in event_wait: the address shows empty for
//   good. select has reported the pipe readable, so only a signal could make the
//   read fail, and the program installs no handler.
const WalkPath PATHS[] = {
    // The main process's start-up, one step at a time, in its order. The
    // backgrounds are composed in between without a single platform call.
    {"start_network_worker", walk_board_install, [] { net_worker_start(); }, nullptr},
    {"start_font", walk_board_install, [] { font_load_from_usb(); }, GLYPH_BOX},
    {"start_touch_worker", walk_board_install, [] { touch_worker_start(); }, nullptr},
    {"start_framebuffer", walk_board_install, fb_open, nullptr},
    {"start_time_base", walk_board_install, time_base_init, nullptr},
    // A start after an earlier one in this boot takes the folder and the mount.
    {"start_font_restarted", walk_board_install_restarted, [] { font_load_from_usb(); }, GLYPH_BOX},
    // The main loop: a frame of each scene, a frame of the slide between them,
    // the reshuffle a touch in the corner asks for, and a turn of the event wait
    // with the address and a touch both waiting.
    {"scene_frames", walk_board_install,
     [] {
         time_base_init();
         scene_render(SCENE_ADDRESS);
         scene_render(SCENE_PUZZLE);
     },
     nullptr},
    {"slide_frame", walk_board_install, frame_delay, nullptr},
    {"puzzle_reset", walk_board_install, puzzle_reset, nullptr},
    {"event_wait", board_after_the_worker_starts, [] { wait_events(50); }, nullptr},
    // The workers, and the buzzer as a victory plays it.
    {"network_worker", walk_board_install, network_worker_child, nullptr},
    {"touch_reader", walk_board_install, touch_reader_child, nullptr},
    {"touch_reader_restarted", walk_board_install_restarted, touch_reader_child, nullptr},
    {"buzzer", walk_board_install, [] { buzzer_play_sample(SHORT_SAMPLE, sizeof SHORT_SAMPLE); },
     nullptr},
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

std::vector<std::string> read_expected(const std::string &path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') {
            lines.push_back(line);
        }
    }
    return lines;
}

void write_expected(const char *name, const std::vector<std::string> &lines) {
    std::ofstream out(expected_path(name));
    out << header(name);
    for (const std::string &line : lines) {
        out << line << '\n';
    }
}

// The line without its call number: one call added to a path renumbers every
// line after it, and only the added line is news.
std::string unnumbered(const std::string &line) {
    return line.substr(std::min(line.find(' '), line.size()));
}

// The lines only the expected list has (-) and those only the walk has (+), in
// order, by the longest common subsequence of the unnumbered lines.
std::string differences(const std::vector<std::string> &want, const std::vector<std::string> &got) {
    size_t w = want.size(), g = got.size();
    std::vector<std::vector<size_t>> common(w + 1, std::vector<size_t>(g + 1, 0));
    for (size_t i = w; i-- > 0;) {
        for (size_t j = g; j-- > 0;) {
            common[i][j] = unnumbered(want[i]) == unnumbered(got[j])
                               ? common[i + 1][j + 1] + 1
                               : std::max(common[i + 1][j], common[i][j + 1]);
        }
    }
    std::string text;
    size_t i = 0, j = 0;
    while (i < w || j < g) {
        if (i < w && j < g && unnumbered(want[i]) == unnumbered(got[j])) {
            ++i, ++j;
        } else if (j < g && (i == w || common[i][j + 1] >= common[i + 1][j])) {
            text += "+ " + got[j++] + "\n";
        } else {
            text += "- " + want[i++] + "\n";
        }
    }
    return text;
}

class Walk : public testing::TestWithParam<WalkPath> {};

TEST_P(Walk, MatchesItsReviewedList) {
    const WalkPath &path = GetParam();
    std::vector<std::string> actual = walk(path);
    if (getenv("WALKER_REGENERATE") != nullptr) {
        write_expected(path.name, actual);
        GTEST_SKIP() << "wrote " << expected_path(path.name);
    }
    std::vector<std::string> expected = read_expected(expected_path(path.name));
    EXPECT_TRUE(expected == actual)
        << expected_path(path.name) << " (-) against this walk (+):\n"
        << differences(expected, actual) << "Review, then regenerate with WALKER_REGENERATE=1.";
}

INSTANTIATE_TEST_SUITE_P(Paths, Walk, testing::ValuesIn(PATHS),
                         [](const testing::TestParamInfo<WalkPath> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
