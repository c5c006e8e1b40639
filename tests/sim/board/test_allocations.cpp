// Once it runs, the application allocates nothing: taps, slides both ways, the
// corners, a solve with its fanfare and the fade, a reshuffle, all played on the
// simulator whose counting allocator sees every call the application's
// processes make.
#include "support/sim_run.h"

#include <gtest/gtest.h>
#include <regex>

namespace {

// Screen pixel (sx, sy) shows Canvas (239 - sy, sx): (300, 229) is the switch tab,
// (10, 229) the top-left corner, (310, 10) the bottom-right one, (200, 159) cell 8.
constexpr char PLAY[] = "at 0 wait-frames 2 30000\n"
                        "at 10 wait-address\n"
                        "at 500 tap 300 229\n"  // into the puzzle: the first shuffle
                        "at 1500 tap 150 120\n" // a tile, maybe
                        "at 2000 tap 300 229\n" // back
                        "at 2500 tap 10 229\n"  // one slide from solved
                        "at 3000 tap 300 229\n"
                        "at 3600 tap 200 159\n" // the last slide
                        "at 3650 wait-sound 60000\n"
                        "at 6000 tap 300 229\n" // after the fade, back
                        "at 6500 tap 310 10\n"  // reshuffle
                        "at 7000 tap 300 229\n"
                        "at 7500 tap 200 100\n"
                        "at 8000 tap 300 229\n"
                        "at 8600 expect-no-allocation\n"
                        "at 8700 end\n";

uint64_t calls(const std::string &said, const std::string &when, const std::string &kind) {
    std::smatch m;
    std::regex line("allocator calls " + when + ": .*" + kind + " ([0-9]+)");
    return std::regex_search(said, m, line) ? std::stoull(m[1]) : UINT64_MAX;
}

TEST(Allocations, NoneOnceTheApplicationRuns) {
    SimRun run = run_sim(IPSLIDE_SIM_COUNTING_BINARY, "allocations", PLAY);
    ASSERT_EQ(run.status, 0) << run.said;
    EXPECT_NE(run.said.find("victory sound captured"), std::string::npos) << run.said;
    // The census sees the application: FreeType allocates and frees while the
    // atlas is built.
    EXPECT_GT(calls(run.said, "at start-up", "malloc"), 0u) << run.said;
    EXPECT_GT(calls(run.said, "at start-up", "free"), 0u) << run.said;
    for (const char *kind : {"malloc", "calloc", "realloc", "aligned", "new", "free", "delete"}) {
        EXPECT_EQ(calls(run.said, "once running", kind), 0u) << kind << "\n" << run.said;
    }
}

TEST(Allocations, ThePlainSimulatorSaysItCountsNothing) {
    SimRun run = run_sim(IPSLIDE_SIM_BINARY, "allocations_uncounted",
                         "at 0 wait-frames 1 30000\nat 10 expect-no-allocation\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.said.find("this simulator counts no allocations"), std::string::npos) << run.said;
}

} // namespace
