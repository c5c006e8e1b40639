// The frames around the scenes, on the simulated board: once the puzzle is still
// it presents no frame at all until something happens, and a touch then reaches
// the screen. Counts and changes only; no figure of time is asserted.
#include "support/sim_run.h"

#include <gtest/gtest.h>
#include <regex>
#include <string>

namespace {

// Runs the scenario headless into test-output/sim/frames_NAME.
SimRun run_scenario(const std::string &name, const std::string &scenario) {
    return run_sim(IPSLIDE_SIM_BINARY, "frames_" + name, scenario);
}

// The value of "ipslide-sim: measure NAME VALUE UNIT", or -1 when there is none.
double measured(const std::string &output, const std::string &name) {
    std::smatch m;
    std::regex line("ipslide-sim: measure " + name + " ([0-9.]+) ");
    return std::regex_search(output, m, line) ? std::stod(m[1]) : -1.0;
}

// Screen (300, 229) is the switch tab.
const char *TO_STILL_PUZZLE = "at 0 wait-frames 1 30000\n"
                              "at 0 measure-startup\n"
                              "at 0 wait-address 30000\n"
                              "at 100 tap 300 229\n"
                              "at 100 wait-idle 30000\n";

TEST(FramesAround, AStillPuzzlePresentsNothingUntilATouchReachesTheScreen) {
    SimRun run =
        run_scenario("still", std::string(TO_STILL_PUZZLE) + "at 200 measure-frames 1500 still\n"
                                                             "at 1800 measure-touch 300 229\n"
                                                             "at 1900 measure-memory\n"
                                                             "at 2000 end\n");
    ASSERT_EQ(run.status, 0) << run.said;
    EXPECT_EQ(measured(run.said, "frames-per-second-still"), 0.0) << run.said;
    // The touch changed the screen (its slide began), or the command had failed.
    EXPECT_GE(measured(run.said, "touch-to-screen"), 0.0) << run.said;
    EXPECT_GE(measured(run.said, "startup-to-first-present"), 0.0) << run.said;
    // The five Canvases and the atlas alone are 900 KB once drawn into.
    EXPECT_GT(measured(run.said, "memory-vmrss"), 900.0) << run.said;
}

TEST(FramesAround, ATouchIsOnlyMeasuredOnAStillScreen) {
    // Scene 0 redraws its wireframe every frame: a change there proves nothing.
    SimRun run = run_scenario("moving", "at 0 wait-frames 1 30000\n"
                                        "at 100 measure-touch 160 120\n"
                                        "at 200 end\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.said.find("measure-touch: the screen is not still"), std::string::npos)
        << run.said;
}

} // namespace
