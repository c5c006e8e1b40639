// Simulated use for a while: a tap every 100 ms at random places, slides both
// ways, the corners, solves with the fanfare and the fade, reshuffles and cable
// flaps. The application must stay up (no restart), keep its descriptors and its
// resident memory where they were after a first round of everything, and call
// no allocator. About a minute in `make test`; `make soak MINUTES=N` runs longer
// (IPSLIDE_SOAK_SECONDS).
#include "support/sim_run.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

namespace {

constexpr uint32_t TAP_EVERY_MS = 100;

struct Soak {
    std::mt19937 random;
    uint32_t t = 0;
    std::string scenario;
    int taps = 0, solves = 0, flaps = 0, rounds = 0;

    explicit Soak(uint32_t seed) : random(seed) {}

    void then(uint32_t after_ms, const std::string &command) {
        t += after_ms;
        scenario += at(t, command);
        taps += command.rfind("tap ", 0) == 0 ? 1 : 0;
    }
    // Anywhere but the switch tab (Canvas x < 30, y > 245: screen x > 245, y > 209),
    // so the scene shown is always the one the round expects.
    void random_taps(int count) {
        for (int i = 0; i < count; ++i) {
            uint32_t x, y;
            do {
                x = random() % 320;
                y = random() % 240;
            } while (x > 245 && y > 209);
            then(TAP_EVERY_MS, "tap " + std::to_string(x) + " " + std::to_string(y));
        }
    }
    // A tap the round depends on, sent once the reader has taken the taps before
    // it, so it cannot be folded into one of them however slow the machine is.
    void scripted_tap(uint32_t after_ms, const char *where) {
        then(after_ms, "wait-touch-read");
        then(1, std::string("tap ") + where);
    }
    // Starts and ends in the address scene.
    void round() {
        random_taps(20);
        scripted_tap(TAP_EVERY_MS, "10 229"); // top left: one slide from solved
        scripted_tap(300, "300 229");         // into the puzzle
        then(1, "wait-slide");
        scripted_tap(600, "200 159"); // cell 8: the last slide
        then(50, "wait-sound 60000");
        solves++;
        random_taps(25); // through the fade: ignored by the puzzle
        scripted_tap(TAP_EVERY_MS, "300 229");
        then(1, "wait-slide");
        scripted_tap(300, "310 10"); // bottom right: reshuffle
        scripted_tap(300, "300 229");
        then(1, "wait-slide");
        random_taps(20); // moves on the shuffled board
        scripted_tap(TAP_EVERY_MS, "300 229");
        then(1, "wait-slide");
        then(300, "link down");
        then(200, "link up");
        flaps++;
        rounds++;
    }
};

uint32_t soak_seconds() {
    const char *given = std::getenv("IPSLIDE_SOAK_SECONDS");
    return given != nullptr ? static_cast<uint32_t>(std::strtoul(given, nullptr, 10)) : 60;
}

TEST(Soak, TheApplicationStaysUpSteadyAndAllocatesNothing) {
    uint32_t seconds = soak_seconds();
    Soak soak(scenario_seed("soak"));
    soak.then(0, "wait-frames 2 30000");
    soak.then(10, "wait-address");
    soak.scripted_tap(100, "300 229"); // the first visit shuffles: in and out once
    soak.then(1, "wait-slide");
    soak.scripted_tap(500, "300 229");
    soak.then(1, "wait-slide");
    uint32_t before = soak.t;
    soak.round(); // everything once, so every page the program uses is in
    uint32_t round_ms = soak.t - before;
    soak.then(500, "resources-mark");
    int checks = 0;
    while (soak.t + round_ms <= seconds * 1000) {
        soak.round();
        soak.then(300, "expect-resources-steady");
        checks++;
    }
    soak.then(100, "expect-no-allocation");
    soak.then(100, "end");
    SimRun run = run_sim(IPSLIDE_SIM_COUNTING_BINARY, "soak", soak.scenario);
    ASSERT_EQ(run.status, 0) << run.said;
    EXPECT_EQ(count_of(run.said, "init starts it again"), 0u) << run.said;
    EXPECT_EQ(count_of(run.said, "victory sound captured"), static_cast<size_t>(soak.solves));
    EXPECT_EQ(count_of(run.said, "(marked "), static_cast<size_t>(checks));
    EXPECT_EQ(count_of(run.said, "touch dropped"), 0u) << run.said;
    printf("soak: %u s of simulated use: %d rounds, %d taps, %d solves, %d cable flaps, "
           "%d resource checks\n",
           soak.t / 1000, soak.rounds, soak.taps, soak.solves, soak.flaps, checks);
}

} // namespace
