#include "fake_board.h"

#include "doctor/checks.h"
#include "platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <linux/fb.h>
#include <linux/input.h>
#include <net/if.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

FakeBoard fake_board;
BoardTouches board_touches;

namespace {

namespace fs = std::filesystem;

// Descriptors of the played devices, far above any real one of the test.
constexpr int FB_FD = 900, MEM_FD = 901, SOCKET_FD = 902, NODE_FD = 903;
constexpr uint8_t NSR_LINK = 0x40;

alignas(4096) uint8_t device_memory[4][4096];
uint8_t *screen_memory;
long clock_s;

std::string on_board(const char *path) {
    std::string p = path;
    bool real = p.rfind(fake_board.root, 0) == 0 || p == "/dev/null";
    return real ? p : fake_board.root + p;
}

int fake_open(const char *path, int flags, mode_t mode) {
    if (strcmp(path, "/dev/fb0") == 0) {
        return FB_FD;
    }
    if (strcmp(path, "/dev/mem") == 0) {
        errno = EPERM;
        return fake_board.dev_mem_refused ? -1 : MEM_FD;
    }
    if (strcmp(path, DOCTOR_NODE) == 0) {
        return NODE_FD;
    }
    board_touches.watchdog_opens += strncmp(path, "/dev/watchdog", 13) == 0;
    return ::open(on_board(path).c_str(), flags, mode);
}

int fake_close(int fd) {
    return fd >= FB_FD && fd <= NODE_FD ? 0 : ::close(fd);
}

int screen_ioctl(unsigned long request, void *arg) {
    if (request == FBIOGET_VSCREENINFO) {
        auto *mode = static_cast<fb_var_screeninfo *>(arg);
        *mode = {};
        mode->xres = fake_board.mode_refused ? 240 : 320;
        mode->yres = fake_board.mode_refused ? 320 : 240;
        mode->bits_per_pixel = 16;
        return 0;
    }
    if (request == FBIOGET_FSCREENINFO) {
        auto *fixed = static_cast<fb_fix_screeninfo *>(arg);
        snprintf(fixed->id, sizeof fixed->id, "%s", fake_board.fb_id);
        fixed->line_length = 640;
        return 0;
    }
    board_touches.modes_set +=
        (static_cast<fb_var_screeninfo *>(arg)->activate & FB_ACTIVATE_MASK) != FB_ACTIVATE_TEST;
    errno = EINVAL;
    return fake_board.mode_refused ? -1 : 0;
}

int fake_ioctl(int fd, unsigned long request, void *arg) {
    if (fd == FB_FD) {
        return screen_ioctl(request, arg);
    }
    if (fd == SOCKET_FD && request == SIOCGIFFLAGS) {
        static_cast<ifreq *>(arg)->ifr_flags = fake_board.eth0_down ? 0 : IFF_UP | IFF_RUNNING;
        return 0;
    }
    if (fd == NODE_FD) {
        *static_cast<input_absinfo *>(arg) = {0, 50, 980, 0, 0, 0};
        return 0;
    }
    errno = ENOTTY;
    return -1;
}

void *fake_mmap(void *, size_t length, int, int, int fd, off_t offset) {
    if (fd == FB_FD) {
        return screen_memory;
    }
    const off_t pages[] = {0x20000000, 0x56000000, 0x51000000, 0x4A000000};
    for (int i = 0; fd == MEM_FD && i < 4 && length <= 4096; ++i) {
        if (offset == pages[i]) {
            board_touches.mem_maps++;
            device_memory[0][4] = NSR_LINK;
            return device_memory[i];
        }
    }
    errno = EINVAL;
    return MAP_FAILED;
}

int fake_stat(const char *path, struct stat *info) {
    if (strcmp(path, "/dev/sda1") == 0) {
        *info = {};
        info->st_mode = S_IFBLK | 0600;
        errno = ENOENT;
        return fake_board.stick_missing ? -1 : 0;
    }
    return ::stat(on_board(path).c_str(), info);
}

int fake_clock(clockid_t clock, timespec *ts) {
    if (fake_board.clock_step_s == 0) {
        return clock_gettime(clock, ts);
    }
    clock_s += fake_board.clock_step_s;
    *ts = {clock_s, 0};
    return 0;
}

void install_entries() {
    platform.open = fake_open;
    platform.close = fake_close;
    platform.ioctl = fake_ioctl;
    platform.mmap = fake_mmap;
    platform.munmap = [](void *, size_t) { return 0; };
    platform.stat = fake_stat;
    platform.socket = [](int, int, int) { return SOCKET_FD; };
    platform.mount = [](const char *, const char *, const char *, unsigned long flags,
                        const void *) {
        board_touches.mounts++;
        board_touches.writable_mounts += (flags & MS_RDONLY) == 0;
        return 0;
    };
    platform.umount2 = [](const char *, int) { return board_touches.unmounts++, 0; };
    platform.mkdir = [](const char *path, mode_t mode) {
        return ::mkdir(on_board(path).c_str(), mode);
    };
    platform.rmdir = [](const char *path) { return ::rmdir(on_board(path).c_str()); };
    platform.mknod = [](const char *path, mode_t, dev_t) {
        return ::close(::creat(on_board(path).c_str(), 0400));
    };
    platform.unlink = [](const char *path) { return ::unlink(on_board(path).c_str()); };
    platform.opendir = [](const char *path) { return ::opendir(on_board(path).c_str()); };
    platform.clock_gettime = fake_clock;
    platform.reg_write8 = [](volatile uint8_t *reg, uint8_t value) {
        bool index_port = reg == &device_memory[0][0];
        board_touches.index_writes += index_port;
        board_touches.registers_written += !index_port;
        *reg = value;
    };
    platform.reg_read8 = [](volatile uint8_t *reg) { return uint8_t{*reg}; };
}

// Input device 0: the touch screen, with BTN_TOUCH (330) and ABS_X, ABS_Y.
void lay_out_input() {
    std::string device = "/sys/class/input/event0/device";
    fake_board_write(device + "/name", "s3c2410 TouchScreen\n");
    fake_board_write(device + "/capabilities/key", "400 0 0 0 0 0\n");
    fake_board_write(device + "/capabilities/abs", "3\n");
    fs::create_directories(fake_board.root + "/sys/dev/char");
    fs::create_directory_symlink(fake_board.root + "/sys/class/input/event0",
                                 fake_board.root + "/sys/dev/char/13:64");
}

} // namespace

void fake_board_write(const std::string &path, const std::string &text, int mode) {
    std::string full = fake_board.root + path;
    fs::create_directories(fs::path(full).parent_path());
    std::ofstream(full) << text;
    chmod(full.c_str(), static_cast<mode_t>(mode));
}

void fake_board_install() {
    char scratch[] = "/tmp/doctor-board.XXXXXX";
    fake_board = FakeBoard();
    board_touches = BoardTouches();
    fake_board.root = mkdtemp(scratch);
    static uint8_t screen[320 * 240 * 2];
    screen_memory = screen;
    clock_s = 0;
    fake_board_write("/proc/iomem",
                     "00000000-00000000 : System RAM\n30000000-33ffffff : System RAM\n"
                     "  30008000-306fffff : Kernel code\n20000000-200000ff : dm9000\n");
    fake_board_write("/proc/self/mountinfo", "");
    fake_board_write("/proc/cmdline", "console=ttyAMA0 rdinit=/sbin/init\n");
    fake_board_write("/sbin/udhcpc", "", 0755);
    fake_board_write("/etc/udhcpc.conf", "#!/bin/sh\nprintf '%s' \"$ip\" >&9\n", 0755);
    fake_board_write("/etc/inittab", "::sysinit:/etc/init.d/rcS\n::sysinit:/sbin/ifconfig eth0 up\n"
                                     "::respawn:/usr/bin/ipslide\n");
    fs::create_directories(fake_board.root + "/sys/bus/scsi/drivers/sd");
    fs::create_directories(fake_board.root + "/sys/bus/usb/drivers/usb-storage");
    fs::create_directories(fake_board.root + "/tmp");
    fs::create_directories(fake_board.root + "/stick");
    fs::copy_file(IPSLIDE_DEFAULT_FONT, fake_board.root + "/stick/concours-48.ttf");
    lay_out_input();
    install_entries();
}

void fake_board_remove() {
    std::error_code ignored;
    fs::remove_all(fake_board.root, ignored);
}
