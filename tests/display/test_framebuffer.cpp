// The LCD: the exact video mode, each set-up failure, and the quarter-turned copy.
#include "display/framebuffer.h"
#include "support/platform_guard.h"
#include "support/test_board.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <vector>

namespace {

constexpr int FAKE_FD = 42;
uint16_t screen[SCREEN_W * SCREEN_H];
fb_var_screeninfo seen_mode;
unsigned long seen_request;
struct MmapCall {
    size_t length;
    int prot, flags, fd;
    off_t offset;
} seen_mmap;
std::vector<int> closed;

int fake_open(const char *path, int flags, mode_t) {
    return strcmp(path, "/dev/fb0") == 0 && (flags & O_ACCMODE) == O_RDWR ? FAKE_FD : -1;
}
int fake_ioctl(int, unsigned long request, void *arg) {
    seen_request = request;
    memcpy(&seen_mode, arg, sizeof seen_mode);
    return 0;
}
void *fake_mmap(void *, size_t length, int prot, int flags, int fd, off_t offset) {
    seen_mmap = {length, prot, flags, fd, offset};
    return screen;
}
int fake_close(int fd) {
    closed.push_back(fd);
    return 0;
}

class Framebuffer : public ::testing::Test {
  protected:
    void SetUp() override {
        platform.open = fake_open;
        platform.ioctl = fake_ioctl;
        platform.mmap = fake_mmap;
        platform.close = fake_close;
        closed.clear();
    }
    PlatformGuard guard;
};

TEST_F(Framebuffer, AsksForThePanelModeFieldByField) {
    fb_open();
    EXPECT_EQ(seen_request, 0x4601u);
    const fb_var_screeninfo &m = seen_mode;
    EXPECT_EQ(m.xres, 320u);
    EXPECT_EQ(m.yres, 240u);
    EXPECT_EQ(m.xres_virtual, 320u);
    EXPECT_EQ(m.yres_virtual, 240u);
    EXPECT_EQ(m.xoffset, 0u);
    EXPECT_EQ(m.yoffset, 0u);
    EXPECT_EQ(m.bits_per_pixel, 16u);
    EXPECT_EQ(m.grayscale, 0u);
    EXPECT_EQ(m.red.offset, 11u);
    EXPECT_EQ(m.red.length, 5u);
    EXPECT_EQ(m.green.offset, 5u);
    EXPECT_EQ(m.green.length, 6u);
    EXPECT_EQ(m.blue.offset, 0u);
    EXPECT_EQ(m.blue.length, 5u);
    EXPECT_EQ(m.red.msb_right | m.green.msb_right | m.blue.msb_right, 0u);
    EXPECT_EQ(m.transp.offset | m.transp.length | m.transp.msb_right, 0u);
    EXPECT_EQ(m.nonstd, 0u);
    EXPECT_EQ(m.activate, 0u);
    EXPECT_EQ(m.height, 240u);
    EXPECT_EQ(m.width, 320u);
    EXPECT_EQ(m.accel_flags, 0u);
    EXPECT_EQ(m.pixclock, 170000u);
    EXPECT_EQ(m.left_margin, 5u);
    EXPECT_EQ(m.right_margin, 69u);
    EXPECT_EQ(m.upper_margin, 11u);
    EXPECT_EQ(m.lower_margin, 5u);
    EXPECT_EQ(m.hsync_len, 2u);
    EXPECT_EQ(m.vsync_len, 2u);
    EXPECT_EQ(m.sync, 0u);
    EXPECT_EQ(m.vmode, 0u);
    EXPECT_EQ(m.rotate, 0u);
    EXPECT_EQ(m.colorspace, 0u);
    for (uint32_t word : m.reserved) {
        EXPECT_EQ(word, 0u);
    }
}

TEST_F(Framebuffer, MapsTheWholeScreenSharedThenClosesTheDevice) {
    fb_open();
    EXPECT_EQ(seen_mmap.length, 153600u);
    EXPECT_EQ(seen_mmap.prot, PROT_READ | PROT_WRITE);
    EXPECT_EQ(seen_mmap.flags, MAP_SHARED);
    EXPECT_EQ(seen_mmap.fd, FAKE_FD);
    EXPECT_EQ(seen_mmap.offset, 0);
    EXPECT_EQ(closed, std::vector<int>{FAKE_FD});
}

// The failures themselves are proven in the failure table; this one is not there:
// any nonzero result of the mode query is a refusal, not only -1.
TEST_F(Framebuffer, ANonZeroModeQueryResultIsARefusal) {
    platform.ioctl = [](int, unsigned long, void *) -> int { return 1; };
    EXPECT_EXIT(fb_open(), testing::ExitedWithCode(1), "^ioctl: ");
}

// The tests' board has the LCD's driver of the simulated one: the application's
// mode is taken (a refusal would end the process), any other refused with EINVAL.
TEST(TestBoardLcd, TakesThePanelsModeAndRefusesAnother) {
    PlatformGuard guard;
    test_board::install();
    fb_open();
    int fd = platform.open("/dev/fb0", O_RDWR, 0);
    fb_var_screeninfo mode = fb_video_mode();
    mode.yres_virtual = 2 * SCREEN_H;
    errno = 0;
    EXPECT_EQ(platform.ioctl(fd, FBIOPUT_VSCREENINFO, &mode), -1);
    EXPECT_EQ(errno, EINVAL);
}

class Present : public Framebuffer {
  protected:
    void SetUp() override {
        Framebuffer::SetUp();
        fb_open();
        std::fill(std::begin(screen), std::end(screen), 0xDEAD);
        std::fill(std::begin(frame_canvas.px), std::end(frame_canvas.px), 0x0000);
    }
    static uint16_t at(int column, int row) { return screen[row * SCREEN_W + column]; }
};

TEST_F(Present, UniformCanvasCoversEveryScreenPixel) {
    std::fill(std::begin(frame_canvas.px), std::end(frame_canvas.px), 0x1234);
    fb_present();
    for (uint16_t pixel : screen) {
        ASSERT_EQ(pixel, 0x1234);
    }
}

TEST_F(Present, CornersTurnCounterClockwise) {
    frame_canvas.px[0] = 1;                    // (0, 0)
    frame_canvas.px[239] = 2;                  // (239, 0)
    frame_canvas.px[319 * CANVAS_W] = 3;       // (0, 319)
    frame_canvas.px[319 * CANVAS_W + 239] = 4; // (239, 319)
    frame_canvas.px[20 * CANVAS_W + 10] = 5;   // (10, 20)
    fb_present();
    EXPECT_EQ(at(0, 239), 1);
    EXPECT_EQ(at(0, 0), 2);
    EXPECT_EQ(at(319, 239), 3);
    EXPECT_EQ(at(319, 0), 4);
    EXPECT_EQ(at(20, 229), 5);
}

TEST_F(Present, EveryCanvasPixelLandsAtColumnYRow239MinusX) {
    for (int i = 0; i < CANVAS_PIXELS; ++i) {
        frame_canvas.px[i] = static_cast<uint16_t>(i * 7 + 1);
    }
    fb_present();
    for (int y = 0; y < CANVAS_H; ++y) {
        for (int x = 0; x < CANVAS_W; ++x) {
            ASSERT_EQ(at(y, 239 - x), frame_canvas.px[y * CANVAS_W + x]) << x << "," << y;
        }
    }
}

} // namespace
