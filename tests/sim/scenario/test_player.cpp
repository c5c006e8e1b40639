// The scenario player on a board of its own: boot and shutdown through the
// board's table, a tap's release on the player's timeline (on the player's
// thread, dropped when the scenario ends first), and the timeline's order.
#include "scenario/player.h"

#include <fstream>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

struct Seen {
    int boots = 0, shutdowns = 0, presses = 0, releases = 0;
    int shutdown_result = -1;
    bool released_elsewhere = false;
    bool touched_after_shutdown = false;
    std::thread::id player;
} seen;

void touched() {
    seen.touched_after_shutdown |= seen.shutdowns != 0;
}

const ScenarioBoard FAKE = {
    .name = "the fake board",
    .log = "fake.log",
    .plays = SIM_BOARD,
    .boot =
        [](const SimOptions &, uint64_t *start_us, std::string *) {
            ++seen.boots;
            *start_us = 0; // every command is due at once
            return true;
        },
    .shutdown =
        [](const SimOptions &, int result) {
            ++seen.shutdowns;
            seen.shutdown_result = result;
            return result == 0 ? 7 : result; // the board's verdict is what the run returns
        },
    .running = [](ScenarioContext &, std::string *) { return true; },
    .press_raw = [](int32_t, int32_t) { ++seen.presses, touched(); },
    .release =
        [] {
            ++seen.releases;
            seen.released_elsewhere |= std::this_thread::get_id() != seen.player;
            touched();
        },
    .screen = nullptr,
    .frames = [] { return uint32_t{0}; },
    .slide_frames = nullptr,
    .idle = nullptr,
    .address_read = nullptr,
    .set_link = nullptr,
    .kill_app = nullptr,
    .eth0_address = nullptr,
    .dhcp_clients = nullptr,
    .signal_dhcp_client = nullptr,
    .resources = nullptr,
};

int play(const std::string &script) {
    seen = Seen{};
    seen.player = std::this_thread::get_id();
    SimOptions options;
    options.script = testing::TempDir() + "player-" + std::to_string(getpid()) + ".scenario";
    std::ofstream(options.script) << script;
    int status = run_headless(FAKE, options, all_commands());
    std::remove(options.script.c_str());
    return status;
}

TEST(Player, TapReleasesOnThePlayersTimelineAndNeverAfterTheBoardIsShutDown) {
    // The release is due 50 ms after the press: the 200 ms wait that follows
    // fires it, on the player's own thread.
    EXPECT_EQ(play("at 0 tap 160 120\nat 0 wait-frames 1 200\n"), 1);
    EXPECT_EQ(seen.presses, 1);
    EXPECT_EQ(seen.releases, 1);
    EXPECT_FALSE(seen.released_elsewhere);
    EXPECT_EQ(seen.shutdown_result, 1);
    // Ending at once drops the pending release: nothing reaches the board after
    // its shutdown, and the board's verdict becomes the run's status.
    EXPECT_EQ(play("at 0 tap 160 120\nat 0 end\n"), 7);
    EXPECT_EQ(seen.boots, 1);
    EXPECT_EQ(seen.shutdowns, 1);
    EXPECT_EQ(seen.releases, 0);
    EXPECT_FALSE(seen.touched_after_shutdown);
}

TEST(Player, BadScriptNeverBootsTheBoard) {
    EXPECT_EQ(play("at 0 inspect x\n"), 2);
    EXPECT_EQ(seen.boots, 0);
    EXPECT_EQ(seen.shutdowns, 0);
}

TEST(Timeline, FiresDueEventsEarliestFirstAndKeepsLaterOnes) {
    Timeline later;
    std::string order;
    later.at(30, [&] { order += "c"; });
    later.at(10, [&] { order += "a"; });
    later.at(20, [&] {
        order += "b";
        later.at(15, [&] { order += "!"; }); // added while firing: waits for the next call
    });
    later.at(99, [&] { order += "z"; });
    later.fire_due(30);
    EXPECT_EQ(order, "abc");
    later.fire_due(98);
    EXPECT_EQ(order, "abc!");
    later.fire_due(99);
    EXPECT_EQ(order, "abc!z");
}

} // namespace
