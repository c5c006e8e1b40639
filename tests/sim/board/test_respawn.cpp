// The application killed with SIGKILL at twenty random points, during start-up
// and while running, and started again each time by the simulator's init in the
// same boot. A start that runs long enough is checked: frames come back, a tap
// on the switch tab reaches it (it slides to the puzzle), the stick is mounted
// exactly once on /tmp/d, and no process of any killed start is left.
#include "support/sim_run.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>

namespace {

constexpr int KILLS = 20;
// A start shows its first frame within a few milliseconds on the host; a kill
// this soon after the start lands in its start-up (the run reports where each
// kill landed).
constexpr uint32_t START_UP_KILL_MS = 8;
constexpr uint32_t RUNNING_KILL_MS = 2000;

struct RespawnPlan {
    std::string scenario;
    int checks = 0;
};

RespawnPlan plan(uint32_t seed) {
    std::mt19937 random(seed);
    RespawnPlan p;
    uint32_t t = 0;
    auto check = [&] {
        p.scenario += at(++t, "wait-frames 2 30000");
        p.scenario += at(++t, "tap 300 229"); // the switch tab: into the puzzle
        p.scenario += at(++t, "wait-slide");
        p.scenario += at(++t, "expect-stick-mounts 1");
        p.scenario += at(++t, "expect-no-leftovers");
        p.checks++;
    };
    for (int kill = 0; kill < KILLS; ++kill) {
        if (random() % 2 == 0) {
            t += random() % START_UP_KILL_MS;
        } else {
            check();
            t += random() % RUNNING_KILL_MS;
        }
        p.scenario += at(t, "kill-app");
    }
    check();
    p.scenario += at(++t, "end");
    return p;
}

TEST(Respawn, TwentyKillsAtRandomPointsEachComeBackWhole) {
    uint32_t seed = scenario_seed("respawn");
    RespawnPlan p = plan(seed);
    SimRun run = run_sim(IPSLIDE_SIM_BINARY, "respawn", p.scenario);
    ASSERT_EQ(run.status, 0) << "seed " << seed << "\n" << run.said;
    EXPECT_EQ(count_of(run.said, "  kill-app: main process "), static_cast<size_t>(KILLS));
    EXPECT_EQ(count_of(run.said, "ended by signal Killed (kill-app); init starts it again"),
              static_cast<size_t>(KILLS));
    EXPECT_EQ(count_of(run.said, "init starts it again"), static_cast<size_t>(KILLS))
        << "a start ended on its own:\n"
        << run.said;
    EXPECT_NE(run.said.find("started 21 times in this boot"), std::string::npos) << run.said;
    EXPECT_EQ(count_of(run.said, " 1 mount on /tmp/d\n"), static_cast<size_t>(p.checks));
    EXPECT_EQ(count_of(run.said, " no process left of "), static_cast<size_t>(p.checks));
    EXPECT_EQ(count_of(run.said, "touch dropped"), 0u) << run.said;
    printf("respawn: %zu of %d kills during start-up, %d starts checked\n",
           count_of(run.said, ", during start-up\n"), KILLS, p.checks);
}

// A start that fails by itself is started again too, as init would; one that
// keeps failing at once (a stick without a font) is given up on after the tenth
// end, instead of being started for ever.
TEST(Respawn, AnApplicationThatKeepsEndingIsGivenUpOn) {
    std::string stick = std::string(IPSLIDE_TEST_OUTPUT) + "/sim/fontless-stick";
    std::filesystem::create_directories(stick);
    SimRun run = run_sim(IPSLIDE_SIM_BINARY, "gives_up", "at 0 wait-frames 1 60000\nat 10 end\n",
                         "--stick " + stick);
    EXPECT_EQ(run.status, 1) << run.said;
    EXPECT_EQ(count_of(run.said, "the application exited with status 1; init starts it again"), 9u)
        << run.said;
    EXPECT_NE(run.said.find("it ended on its own 10 times within 120 s: respawning too fast, "
                            "init gives up"),
              std::string::npos)
        << run.said;
    EXPECT_EQ(count_of(run.log, "ipslide-sim: start "), 9u) << run.log;
}

} // namespace
