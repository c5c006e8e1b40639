#include "board/sim_platform.h"

#include "board/alloc_census.h"
#include "devices/board_clock.h"
#include "devices/board_state.h"
#include "devices/dhcp_client.h"
#include "devices/dm9000.h"
#include "devices/soc_regs.h"
#include "devices/stick.h"
#include "devices/touch_panel.h"
#include "model/lcd.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/fb.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Descriptors this process opened on the simulated devices (children inherit them).
int fb_fd = -1;
int mem_fd = -1;

// The device nodes are stand-ins: a descriptor on /dev/null that we recognise.
int open_stand_in(int *slot) {
    int fd = ::open("/dev/null", O_RDWR);
    if (fd >= 0) {
        *slot = fd;
    }
    return fd;
}

int sim_open(const char *path, int flags, mode_t mode) {
    if (strcmp(path, "/dev/fb0") == 0) {
        return open_stand_in(&fb_fd);
    }
    if (strcmp(path, "/dev/mem") == 0) {
        return open_stand_in(&mem_fd);
    }
    // Standard output and error go to /dev/null on the board; here they go to the log
    // so perror messages and diagnostics can be read.
    if (strcmp(path, "/dev/null") == 0 && (flags & O_ACCMODE) == O_WRONLY &&
        board_state()->log_fd >= 0) {
        return ::dup(board_state()->log_fd);
    }
    return ::open(path, flags, mode);
}

int sim_close(int fd) {
    if (fd == fb_fd) {
        fb_fd = -1;
    }
    if (fd == mem_fd) {
        mem_fd = -1;
    }
    return ::close(fd);
}

int fb_ioctl(unsigned long request, void *arg) {
    if (request != FBIOPUT_VSCREENINFO) {
        errno = ENOTTY;
        return -1;
    }
    std::string why = fb_mode_mismatch(*static_cast<fb_var_screeninfo *>(arg));
    if (!why.empty()) {
        fprintf(stderr, "sim: /dev/fb0 refuses the video mode: %s\n", why.c_str());
        errno = LCD_MODE_REFUSED;
        return -1;
    }
    return 0;
}

int sim_ioctl(int fd, unsigned long request, void *arg) {
    if (fd == fb_fd) {
        return fb_ioctl(request, arg);
    }
    return ::ioctl(fd, request, arg);
}

void *sim_mmap(void *addr, size_t length, int prot, int flags, int fd, off_t offset) {
    if (fd == fb_fd && fd >= 0) {
        if (offset != 0 || length > sizeof(board_state()->screen)) {
            errno = EINVAL;
            return MAP_FAILED;
        }
        alloc_census_running();
        return board_state()->screen;
    }
    if (fd == mem_fd && fd >= 0) {
        void *window = offset == DM9000_BASE ? dm9000_map(length) : soc_map(offset, length);
        if (window == nullptr) {
            errno = EINVAL;
            return MAP_FAILED;
        }
        return window;
    }
    return ::mmap(addr, length, prot, flags, fd, offset);
}

// The simulated register windows stay for the board's lifetime, like the hardware
// behind /dev/mem: releasing one is a success that changes nothing.
int sim_munmap(void *addr, size_t length) {
    if (soc_owns(addr) || dm9000_owns(addr)) {
        return 0;
    }
    return ::munmap(addr, length);
}

// The application tells its moments; the board keeps them for the scenarios'
// waits and for screenshots that never tear. Only the main process has them.
void sim_moment(AppMoment moment, const char *detail) {
    BoardState *board = board_state();
    switch (moment) {
    case MOMENT_WAIT_TIMED:
    case MOMENT_WAIT_IDLE:
        board->wait_begin_us = monotonic_us();
        board->idle_wait = moment == MOMENT_WAIT_IDLE;
        board->waits++;
        board->in_wait = 1;
        break;
    case MOMENT_WAIT_OVER:
        board->in_wait = 0;
        board->idle_wait = 0;
        break;
    case MOMENT_SLIDE_PAUSE:
        board->slide_frames++;
        board->in_frame_delay = 1;
        break;
    case MOMENT_SLIDE_PAUSE_OVER:
        board->in_frame_delay = 0;
        break;
    case MOMENT_ADDRESS_READ:
        snprintf(board->address_read, sizeof board->address_read, "%s", detail);
        board->address_reader = getpid();
        break;
    }
}

int sim_execv(const char *path, char *const argv[]) {
    return dhcp_exec(path, argv);
}

// The panel's node is a FIFO that the simulator feeds; to the application it is
// the input event device that mknod asked for, so a later start keeps it.
int sim_stat(const char *path, struct stat *info) {
    int result = ::stat(path, info);
    if (result == 0 && strcmp(path, "/tmp/touch") == 0 && S_ISFIFO(info->st_mode)) {
        info->st_mode = S_IFCHR | (info->st_mode & 07777);
        info->st_rdev = makedev(13, 64);
    }
    return result;
}

// The simulated board's code runs in the application's processes behind these
// entries; what it allocates is the board's, not the application's.
template <auto Fn> struct BoardCode;
template <typename R, typename... Args, R (*Fn)(Args...)> struct BoardCode<Fn> {
    static R call(Args... args) {
        SimCodeScope scope;
        return Fn(args...);
    }
};

Platform make_sim_platform() {
    Platform p = board_platform();
    p.open = BoardCode<sim_open>::call;
    p.close = BoardCode<sim_close>::call;
    p.ioctl = BoardCode<sim_ioctl>::call;
    p.mmap = BoardCode<sim_mmap>::call;
    p.munmap = BoardCode<sim_munmap>::call;
    // The simulated board has no disk for a fault to wait on, and a real lock of a
    // sanitized PC process would pin gigabytes of shadow memory: the lock is a
    // success that changes nothing.
    p.mlockall = [](int) { return 0; };
    p.munlockall = [] { return 0; };
    p.mount = BoardCode<stick_mount>::call;
    p.mknod = BoardCode<touch_panel_mknod>::call;
    p.execv = BoardCode<sim_execv>::call;
    p.moment = BoardCode<sim_moment>::call;
    p.stat = BoardCode<sim_stat>::call;
    p.reg_read8 = BoardCode<dm9000_read8>::call;
    p.reg_write8 = BoardCode<dm9000_write8>::call;
    p.reg_read32 = BoardCode<soc_read32>::call;
    p.reg_write32 = BoardCode<soc_write32>::call;
    return p;
}

} // namespace

const Platform &sim_platform() {
    static const Platform table = make_sim_platform();
    return table;
}
