// The simulator runs the real program headless and writes what the LCD shows.
#include "front/screen_png.h"
#include "support/sim_run.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace {

TEST(Headless, ShotWritesTheScreenAsSeenAndEndStopsCleanly) {
    std::string out = std::string(IPSLIDE_TEST_OUTPUT) + "/sim/headless";
    // Start-up (stick, atlas) may take longer than 300 ms on a loaded machine: the
    // timeline starts once the first frame has been shown.
    SimRun run = run_sim(IPSLIDE_SIM_BINARY, "headless",
                         "at 0 wait-frames 1\nat 300 shot first\nat 400 end\n");
    ASSERT_EQ(run.status, 0) << run.said;
    std::vector<uint16_t> pixels;
    int width = 0, height = 0;
    ASSERT_TRUE(read_png_rgb565(out + "/first.png", &pixels, &width, &height));
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    // The application presented a frame: the screen is no longer the zeroed memory.
    std::set<uint16_t> colours(pixels.begin(), pixels.end());
    EXPECT_FALSE(colours.size() == 1 && *colours.begin() == 0);
}

TEST(Headless, BadScenarioIsRefusedBeforeAnythingStarts) {
    EXPECT_EQ(run_sim(IPSLIDE_SIM_BINARY, "headless_bad", "at 10 fly\n").status, 2);
}

TEST(Screenshots, Rgb565SurvivesTheRoundTripThroughPng) {
    std::vector<uint16_t> pixels(320 * 240);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<uint16_t>(i * 2654435761u >> 16);
    }
    std::string path = std::string(IPSLIDE_TEST_OUTPUT) + "/roundtrip.png";
    std::filesystem::create_directories(IPSLIDE_TEST_OUTPUT);
    ASSERT_TRUE(write_rgb565_png(path, pixels.data(), 320, 240));
    std::vector<uint16_t> back;
    int width = 0, height = 0;
    ASSERT_TRUE(read_png_rgb565(path, &back, &width, &height));
    EXPECT_EQ(back, pixels);
    uint8_t rgb[3];
    rgb565_to_rgb888(0xFFFF, rgb);
    EXPECT_EQ(rgb[0] + rgb[1] + rgb[2], 3 * 255);
}

} // namespace
