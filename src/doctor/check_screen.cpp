#include "display/framebuffer.h"
#include "doctor/board_files.h"
#include "doctor/checks.h"
#include "doctor/report.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/fb.h>
#include <sys/mman.h>

namespace {

constexpr char CHECK[] = "screen";
constexpr char RESTARTS[] = "ipslide exits 1 at start and init starts it again about once a second";
// The S3C24xx LCD controller's driver names its screens so.
constexpr char S3C24XX_DRIVER[] = "s3c2410fb";

// The mini2440= word of the kernel's command line, or "no mini2440=".
void lcd_word(char *word, size_t size) {
    char line[1024];
    const char *start =
        read_text("/proc/cmdline", line, sizeof line) ? strstr(line, "mini2440=") : nullptr;
    if (start == nullptr) {
        snprintf(word, size, "no mini2440=");
        return;
    }
    snprintf(word, size, "%.*s", static_cast<int>(strcspn(start, " \n")), start);
}

// What the driver runs, and on a mini2440 which LCD entry the command line chose.
void mode_refused(int fd, const fb_var_screeninfo &current) {
    fb_fix_screeninfo fixed{};
    bool s3c24xx = platform.ioctl(fd, FBIOGET_FSCREENINFO, &fixed) == 0 &&
                   strncmp(fixed.id, S3C24XX_DRIVER, sizeof S3C24XX_DRIVER - 1) == 0;
    char driver[sizeof fixed.id + 1] = "the driver", found[224], word[64] = "";
    if (fixed.id[0] != '\0') {
        snprintf(driver, sizeof driver, "%.*s", static_cast<int>(sizeof fixed.id), fixed.id);
    }
    if (s3c24xx) {
        lcd_word(word, sizeof word);
    }
    snprintf(found, sizeof found, "%s refuses %dx%d at 16 bits per pixel; it runs %ux%u at %u%s%s",
             driver, SCREEN_W, SCREEN_H, current.xres, current.yres, current.bits_per_pixel,
             s3c24xx ? ", and the command line has " : "", word);
    report_fail(CHECK, found, RESTARTS,
                s3c24xx ? "mini2440=3tb on the kernel command line (LCD entry 3 of the board "
                          "file, the W35's 320x240; the default entry 0 is 240x320)"
                        : "a 320x240 16-bit mode in the display driver's table (on a mini2440, "
                          "mini2440=3tb)");
}

// Asks for the application's mode without setting it. A driver may round a mode
// it cannot show to one it can: only the mode itself, handed back, is accepted.
bool mode_accepted(int fd, fb_var_screeninfo *current) {
    fb_var_screeninfo mode = fb_video_mode();
    mode.activate = FB_ACTIVATE_TEST;
    if (platform.ioctl(fd, FBIOGET_VSCREENINFO, current) != 0) {
        *current = {};
    }
    return platform.ioctl(fd, FBIOPUT_VSCREENINFO, &mode) == 0 && mode.xres == SCREEN_W &&
           mode.yres == SCREEN_H && mode.bits_per_pixel == 16;
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
        mode_refused(fd, current);
    }
    platform.close(fd);
}
