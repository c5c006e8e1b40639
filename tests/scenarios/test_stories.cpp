// The program's whole story on the simulated board, one scenario per test: what the
// screen shows is compared with golden frames wherever it is determined, and
// checked by its exact properties where it depends on the moment.
#include "assets/victory_sample.h"
#include "screen_checks.h"
#include "support/sim_run.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

class Story : public ::testing::Test {
  protected:
    // Runs tests/scenarios/NAME.scenario headless; its output lands in its own folder.
    void play(const std::string &name, const std::string &options = "") {
        out_ = std::string(IPSLIDE_TEST_OUTPUT) + "/" + name;
        fresh_folder(out_);
        SimRun run = play_sim(IPSLIDE_SIM_BINARY, out_,
                              std::string(IPSLIDE_SCENARIOS) + "/" + name + ".scenario", options);
        ASSERT_EQ(run.status, 0) << "the scenario failed; see " << out_ << "/sim.txt:\n"
                                 << run.said;
    }
    Screen shot(const std::string &name) const {
        Screen screen;
        EXPECT_TRUE(load_screen(out_ + "/" + name + ".png", &screen)) << name;
        screen.px.resize(SCREEN_W * SCREEN_H);
        return screen;
    }
    static Screen golden(const std::string &name) {
        Screen screen;
        EXPECT_TRUE(load_screen(std::string(IPSLIDE_GOLDEN) + "/" + name + ".png", &screen))
            << name;
        screen.px.resize(SCREEN_W * SCREEN_H);
        return screen;
    }
    std::string said() const {
        std::ifstream in(out_ + "/sim.txt");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void expect_like(const std::string &shot_name, const std::string &golden_name,
                     const std::vector<Rect> &masks = {}) const {
        EXPECT_EQ(first_difference(shot(shot_name), golden(golden_name), masks), "")
            << out_ << "/" << shot_name << ".png against golden " << golden_name;
    }
    std::string out_;
};

TEST_F(Story, BootWithoutCablePulsesThenShowsTheLeaseComplete) {
    play("boot-without-cable", "--cable off");
    Screen background = golden("placeholder-0");
    std::vector<int> seen;
    for (const char *name : {"pulse-a", "pulse-b", "pulse-c"}) {
        Screen s = shot(name);
        std::vector<int> weights = placeholder_weights(s, background);
        ASSERT_FALSE(weights.empty()) << name << " is not the placeholder at any weight";
        seen.push_back(weights.front());
        // Nothing but the placeholder and the wireframe differs from the bare scene.
        EXPECT_EQ(first_difference(s, background, {WIREFRAME_AREA, {37, 98, 285, 128}}), "");
    }
    EXPECT_FALSE(seen[0] == seen[1] && seen[1] == seen[2]) << "the placeholder does not pulse";
    expect_like("address", "address-complete", {WIREFRAME_AREA});
}

TEST_F(Story, SlidesToThePuzzleAndBackReplayingTheReveal) {
    play("slides");
    expect_like("address", "address-complete", {WIREFRAME_AREA});
    // Going in: the address scene as it was, the puzzle at its own time 0 (no strips
    // yet; its board is shuffled, so the board rows are not compared).
    Screen address = golden("address-complete");
    Screen intro = golden("puzzle-intro");
    std::vector<int> in =
        slide_splits(shot("slide-in"), address, {WIREFRAME_AREA}, intro, {BOARD_ROWS});
    EXPECT_EQ(in.size(), 1u) << "slide-in is not one split of the two scenes";
    // Coming back: the puzzle with its strips, the address scene at its time 0, where
    // the first character of the replayed reveal is still at weight 0.
    Screen settled = golden("puzzle-near-solved");
    Screen bare = golden("placeholder-0");
    std::vector<int> back = slide_splits(shot("slide-back"), bare, {WIREFRAME_AREA, ADDRESS_BAND},
                                         settled, {BOARD_ROWS});
    EXPECT_EQ(back.size(), 1u) << "slide-back is not one split of the two scenes";
    // Early in the reveal the address is incomplete: its last two digits, which start
    // 1000 and 1100 ms into the reveal (screen columns 259 on), are not drawn yet.
    Screen early = shot("reveal-early");
    EXPECT_NE(first_difference(early, address, {WIREFRAME_AREA}), "");
    EXPECT_EQ(first_difference(early, bare, {WIREFRAME_AREA, {0, 0, 259, 240}}), "")
        << "the end of the address is already drawn";
    expect_like("reveal-done", "address-complete", {WIREFRAME_AREA});
}

TEST_F(Story, CornersActOnlyInTheAddressSceneAndASolveFadesTheBoard) {
    play("corners");
    // The corners in the puzzle scene are touches off the board: nothing changes.
    EXPECT_EQ(first_difference(shot("corners-in-puzzle"), shot("first-visit"), {}), "");
    expect_like("near-solved", "puzzle-near-solved");
    expect_like("one-move", "puzzle-one-move");
    expect_like("done", "puzzle-done");
    EXPECT_NE(said().find("victory sound captured: " + std::to_string(VICTORY_SAMPLE_BYTES * 8) +
                          " bits"),
              std::string::npos)
        << said();
    // After the bottom-right corner in the address scene, the board is back, shuffled.
    Screen after = shot("after-reset");
    EXPECT_NE(first_difference(after, golden("puzzle-done"), {}), "");
    EXPECT_NE(first_difference(after, golden("puzzle-near-solved"), {}), "");
    EXPECT_EQ(first_difference(after, golden("puzzle-done"), {BOARD_ROWS}), "");
}

TEST_F(Story, AddressArrivingDuringThePuzzleIsRevealedOnReturn) {
    play("late-address");
    // The lease comes only once the server answers again: after the first shot.
    EXPECT_LT(said().find("dhcp-server resume"), said().find("the application read the address"));
    EXPECT_EQ(first_difference(shot("puzzle-after"), shot("puzzle-before"), {}), "");
    Screen address = golden("address-complete");
    EXPECT_NE(first_difference(shot("reveal-early"), address, {WIREFRAME_AREA}), "")
        << "the address was shown at once, not revealed";
    expect_like("reveal-done", "address-complete", {WIREFRAME_AREA});
}

TEST_F(Story, TouchesDuringASlideAreHandledAfterItInOrder) {
    play("queued-touches");
    expect_like("puzzle", "puzzle-near-solved");
}

} // namespace
