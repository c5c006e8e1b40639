// Headless runs of the real program on the simulated board: the cable, BusyBox's
// client running the shipped udhcpc script, the address reaching the application;
// and taps reaching it through the touch panel and the reader. The client's
// renewals, releases and refusals have their own runs (test_busybox_dhcp.cpp).
#include "support/sim_run.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(SimNetworkBringUp, PluggingTheCableLeasesAnAddressThatTheApplicationReads) {
    SimRun run = run_sim(IPSLIDE_SIM_BINARY, "lease",
                         "at 0 wait-frames 1\n"
                         "at 100 expect-dhcp-clients 0\n"
                         "at 200 link up\n"
                         "at 300 wait-address\n"
                         "at 400 wait-eth0 10.20.30.40\n"
                         "at 2500 shot lease\n"
                         "at 2600 end\n",
                         "--cable off --lease 10.20.30.40");
    ASSERT_EQ(run.status, 0) << run.said << run.log;
    EXPECT_TRUE(has(run.said, "link up")) << run.said;
    // Told by the server's lease file, then by the application's own moment.
    EXPECT_TRUE(has(run.said, "lease 10.20.30.40 obtained by the DHCP client")) << run.said;
    EXPECT_TRUE(has(run.said, "the application read the address 10.20.30.40")) << run.said;
}

// Without a link nothing is leased, yet the rest of the board runs: a tap on the
// switch tab (bottom right of the LCD) slides to the puzzle, the only scene that
// ever goes idle, so the wait for idle proves the tap arrived.
TEST(SimNetworkBringUp, WithoutACableNoAddressArrivesAndTouchStillWorks) {
    SimRun run = run_sim(IPSLIDE_SIM_BINARY, "no_cable",
                         "at 100 wait-frames 2\n"
                         "at 1500 tap 300 230\n"
                         "at 1600 wait-idle\n"
                         "at 2500 shot puzzle\n"
                         "at 2600 end\n",
                         "--cable off");
    ASSERT_EQ(run.status, 0) << run.said << run.log;
    EXPECT_TRUE(has(run.said, "tap 300 230")) << run.said;
    EXPECT_FALSE(has(run.said, "lease")) << run.said;
    EXPECT_FALSE(has(run.said, "touch dropped")) << run.said;
    EXPECT_FALSE(has(run.log, "eth0")) << run.log;
    EXPECT_FALSE(has(run.log, "udhcpc")) << run.log;
}

TEST(SimTouch, RawPanelValuesAndPressReleaseReachTheApplication) {
    // Raw (200, 880) calibrates to Canvas (9, 278): the bottom-left region.
    SimRun run = run_sim(IPSLIDE_SIM_BINARY, "tap_raw",
                         "at 100 wait-frames 2\n"
                         "at 200 tap-raw 200 880\n"
                         "at 300 wait-idle\n"
                         "at 400 end\n",
                         "");
    ASSERT_EQ(run.status, 0) << run.said << run.log;
    SimRun pressed = run_sim(IPSLIDE_SIM_BINARY, "press_release",
                             "at 100 wait-frames 2\n"
                             "at 200 press 310 235\n"
                             "at 260 release\n"
                             "at 300 wait-idle\n"
                             "at 400 end\n",
                             "");
    ASSERT_EQ(pressed.status, 0) << pressed.said << pressed.log;
}

} // namespace
