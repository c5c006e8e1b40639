// The simulated driver takes exactly the mode the application asks for and
// refuses anything else, as the board's driver would.
#include "display/framebuffer.h"
#include "model/lcd.h"

#include <gtest/gtest.h>

namespace {

TEST(SimFramebuffer, AcceptsTheApplicationsMode) {
    EXPECT_EQ(fb_mode_mismatch(fb_video_mode()), "");
}

TEST(SimFramebuffer, RefusesAnyOtherMode) {
    std::vector<void (*)(fb_var_screeninfo &)> changes = {
        [](fb_var_screeninfo &m) { m.xres = 240; },
        [](fb_var_screeninfo &m) { m.bits_per_pixel = 32; },
        [](fb_var_screeninfo &m) { m.green.length = 5; },
        [](fb_var_screeninfo &m) { m.pixclock = 100000; },
        [](fb_var_screeninfo &m) { m.height = 0; },
        [](fb_var_screeninfo &m) { m.transp.length = 1; },
        [](fb_var_screeninfo &m) { m.reserved[3] = 1; },
        [](fb_var_screeninfo &m) { m.activate = 1; },
    };
    for (auto change : changes) {
        fb_var_screeninfo mode = fb_video_mode();
        change(mode);
        EXPECT_NE(fb_mode_mismatch(mode), "");
    }
    fb_var_screeninfo mode = fb_video_mode();
    mode.xres = 640;
    EXPECT_EQ(fb_mode_mismatch(mode), "xres is 640, the panel needs 320");
}

} // namespace
