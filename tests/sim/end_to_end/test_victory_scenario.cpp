// End to end: into the puzzle, out, the top-left corner, back in, the last slide;
// the fanfare is captured whole and the board fades away for good.
#include "assets/images.h"
#include "assets/victory_sample.h"
#include "display/backgrounds.h"
#include "display/raster.h"
#include "front/screen_png.h"
#include "scenes/puzzle/puzzle_scene.h"
#include "support/sim_run.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>

namespace {

constexpr uint32_t SAMPLE_BITS = VICTORY_SAMPLE_BYTES * 8;

std::string read_text(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t le32(const std::string &b, size_t at) {
    return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
           static_cast<uint8_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

// Canvas pixel (x, y) as the landscape screen shows it.
uint16_t on_screen(const std::vector<uint16_t> &screen, int32_t x, int32_t y) {
    return screen[static_cast<size_t>(239 - x) * 320 + static_cast<size_t>(y)];
}

std::vector<uint16_t> shot(const std::string &out, const std::string &name) {
    std::vector<uint16_t> pixels;
    int w = 0, h = 0;
    EXPECT_TRUE(read_png_rgb565(out + "/" + name + ".png", &pixels, &w, &h)) << name;
    pixels.resize(320 * 240);
    return pixels;
}

void expect_wav_holds_every_bit_once(const std::string &out) {
    std::string wav = read_text(out + "/victory.wav");
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(le32(wav, 40), SAMPLE_BITS * 2) << "data bytes";
    EXPECT_EQ(wav.size(), 44 + SAMPLE_BITS * 2);
    std::string said = read_text(out + "/sim.txt");
    EXPECT_NE(said.find("ipslide-sim: victory sound captured: " + std::to_string(SAMPLE_BITS) +
                        " bits -> " + out + "/victory.wav"),
              std::string::npos);
    EXPECT_EQ(said.find("LEFT MASKED"), std::string::npos);
}

void expect_near_solved_board(const std::vector<uint16_t> &screen) {
    EXPECT_EQ(on_screen(screen, 50, 80), BACKING_COLOUR) << "frame";
    EXPECT_EQ(on_screen(screen, 60, 150), BACKING_COLOUR) << "cell 7 empty";
    EXPECT_EQ(on_screen(screen, 60, 200), img_puzzle_tiles[(48 + 200 - 181) * 144 + 5])
        << "tile 7 in cell 8";
}

void expect_background_and_strips_only(const std::vector<uint16_t> &screen) {
    compose_backgrounds();
    Canvas expected = scene_background[SCENE_PUZZLE];
    blend_blit(&expected, 217, 8, img_puzzle_strip_right, 15, 108, 15, 256);
    blend_blit(&expected, 19, 15, img_puzzle_strip_left, 19, 145, 19, 256);
    int differing = 0;
    for (int32_t y = 0; y < CANVAS_H; ++y) {
        for (int32_t x = 0; x < CANVAS_W; ++x) {
            differing += on_screen(screen, x, y) != expected.px[y * CANVAS_W + x];
        }
    }
    EXPECT_EQ(differing, 0);
}

// One run of the simulator, several views of its results.
TEST(VictoryScenario, FanfareCapturedWholeAndTheBoardGoneAfterTheFade) {
    std::string out = std::string(IPSLIDE_TEST_OUTPUT) + "/sim/victory";
    fresh_folder(out);
    SimRun run = play_sim(IPSLIDE_SIM_BINARY, out, IPSLIDE_SCENARIO);
    ASSERT_EQ(run.status, 0) << run.said << run.log;
    expect_wav_holds_every_bit_once(out);
    expect_near_solved_board(shot(out, "near-solved"));
    expect_background_and_strips_only(shot(out, "after-fade"));
}

} // namespace
