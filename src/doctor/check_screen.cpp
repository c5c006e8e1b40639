#include "display/framebuffer.h"
#include "doctor/board_files.h"
#include "doctor/checks.h"
#include "doctor/report.h"
#include "platform/platform.h"

#include <cstdio>
#include <fcntl.h>
#include <linux/fb.h>
#include <sys/mman.h>

namespace {

constexpr char CHECK[] = "screen";
constexpr char RESTARTS[] = "ipslide exits 1 at start and init starts it again about once a second";

void mode_refused(const fb_var_screeninfo &current) {
    char found[160];
    snprintf(found, sizeof found,
             "the driver refuses %dx%d at 16 bits per pixel (it runs %ux%u at %u)", SCREEN_W,
             SCREEN_H, current.xres, current.yres, current.bits_per_pixel);
    report_fail(CHECK, found, RESTARTS,
                "on a mini2440, mini2440=3tb on the kernel command line (LCD entry 3, the W35's "
                "320x240; the default entry 0 is 240x320); elsewhere a 320x240 16-bit entry in "
                "the board's display table");
}

// Asks for the application's mode without setting it.
bool mode_accepted(int fd, fb_var_screeninfo *current) {
    fb_var_screeninfo mode = fb_video_mode();
    mode.activate = FB_ACTIVATE_TEST;
    if (platform.ioctl(fd, FBIOGET_VSCREENINFO, current) != 0) {
        *current = {};
    }
    return platform.ioctl(fd, FBIOPUT_VSCREENINFO, &mode) == 0;
}

void mapping_checked(int fd, const fb_var_screeninfo &current) {
    fb_fix_screeninfo fixed{};
    bool in_mode = current.xres == SCREEN_W && current.yres == SCREEN_H;
    if (in_mode && (platform.ioctl(fd, FBIOGET_FSCREENINFO, &fixed) != 0 ||
                    fixed.line_length != SCREEN_W * 2)) {
        char found[96];
        snprintf(found, sizeof found, "a screen line is %u bytes, not %d", fixed.line_length,
                 SCREEN_W * 2);
        report_fail(CHECK, found, "ipslide's frames would be drawn sheared",
                    "a framebuffer without padding at the end of a line");
        return;
    }
    void *pixels = platform.mmap(nullptr, SCREEN_BYTES, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED) {
        char found[96];
        snprintf(found, sizeof found, "mmap of %d bytes of /dev/fb0: %s", SCREEN_BYTES,
                 error_text());
        report_fail(CHECK, found, RESTARTS, "a framebuffer with at least 153600 bytes of memory");
        return;
    }
    platform.munmap(pixels, SCREEN_BYTES);
    report_ok(CHECK, "/dev/fb0 takes %dx%d RGB565, %s, %d bytes mapped", SCREEN_W, SCREEN_H,
              in_mode ? "lines of 640 bytes" : "the mode is set when ipslide starts", SCREEN_BYTES);
}

} // namespace

void check_screen() {
    int fd = platform.open("/dev/fb0", O_RDWR, 0);
    if (fd < 0) {
        char found[96];
        snprintf(found, sizeof found, "/dev/fb0: %s", error_text());
        report_fail(CHECK, found, RESTARTS,
                    "the LCD's framebuffer driver built in (CONFIG_FB_S3C2410=y) and /dev managed "
                    "(CONFIG_DEVTMPFS_MOUNT=y or mdev)");
        return;
    }
    fb_var_screeninfo current{};
    if (mode_accepted(fd, &current)) {
        mapping_checked(fd, current);
    } else {
        mode_refused(current);
    }
    platform.close(fd);
}
