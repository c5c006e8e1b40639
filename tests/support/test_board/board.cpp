#include "support/test_board.h"

#include "font/font_files.h"
#include "font/freetype_calls.h"
#include "model/dm9000.h"
#include "model/lcd.h"
#include "model/touch.h"
#include "platform/platform.h"
#include "workers/net_worker.h"
#include "workers/touch_reader.h"

#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <type_traits>
#include <unistd.h>

namespace test_board {

const char *const *stick_names;

namespace {

constexpr int NULL_FD = 60;
constexpr int FB_FD = 61;
constexpr int MOUNTINFO_FD = 62;
constexpr int PANEL_FD = 63;
constexpr int SOCKET_FD = 64;
constexpr int FIRST_PIPE_FD = 70;

constexpr char PROC_MOUNTED[] = "22 28 0:21 / /proc rw,nosuid - proc proc rw\n";
constexpr char STICK_MOUNTED[] = "22 28 0:21 / /proc rw,nosuid - proc proc rw\n"
                                 "31 22 8:1 / /tmp/d ro,relatime - ext4 /dev/sda1 ro\n";
constexpr char ADDRESS[] = "192.168.1.42";
constexpr int32_t TOUCH_RAW = 512;

// A pen-down at these raw coordinates, with the records the driver queues after it.
constexpr int32_t PANEL_RAW_X = 300;
constexpr int32_t PANEL_RAW_Y = 700;
InputEventRecord panel_events[TOUCH_MAX_EVENTS];
size_t panel_event_count;

const char *const FONT_STICK[] = {"notes.txt", "concours-48.ttf", nullptr};
constexpr char STICK_FONT[] = "/tmp/d/concours-48.ttf";

uint16_t fb_pixels[LCD_PIXELS];
uint8_t dm9000_ports[DM9000_WINDOW];
Dm9000Model dm9000; // the cable plugged, the PHY powered
int next_pipe_fd;
size_t panel_next;
const char *mountinfo;
size_t mountinfo_read;
int stick_next;
struct dirent stick_entry;
DIR *const STICK_DIR = reinterpret_cast<DIR *>(&stick_next);
Platform soc_table; // /dev/mem and the SoC's register blocks

int refuse(int error) {
    errno = error;
    return -1;
}

int board_open(const char *path, int flags, mode_t mode) {
    if (strcmp(path, "/dev/null") == 0) {
        return NULL_FD;
    }
    if (strcmp(path, "/dev/fb0") == 0) {
        return FB_FD;
    }
    if (strcmp(path, "/proc/self/mountinfo") == 0) {
        return MOUNTINFO_FD;
    }
    if (strcmp(path, "/tmp/touch") == 0) {
        return PANEL_FD;
    }
    return soc_table.open(path, flags, mode);
}

ssize_t copy_out(void *buf, size_t count, const void *from, size_t size) {
    size_t n = size < count ? size : count;
    memcpy(buf, from, n);
    return static_cast<ssize_t>(n);
}

ssize_t board_read(int fd, void *buf, size_t count) {
    if (fd == MOUNTINFO_FD) {
        ssize_t n =
            copy_out(buf, count, mountinfo + mountinfo_read, strlen(mountinfo) - mountinfo_read);
        mountinfo_read += static_cast<size_t>(n);
        return n;
    }
    if (fd == PANEL_FD) {
        if (panel_next == panel_event_count) {
            _exit(0);
        }
        return copy_out(buf, count, &panel_events[panel_next++], sizeof(InputEventRecord));
    }
    if (fd == address_pipe_fd()) {
        return copy_out(buf, count, ADDRESS, sizeof ADDRESS - 1);
    }
    if (fd == touch_pipe_fd()) {
        return copy_out(buf, count, &TOUCH_RAW, sizeof TOUCH_RAW);
    }
    return refuse(EBADF);
}

int board_pipe(int fds[2]) {
    fds[0] = next_pipe_fd++;
    fds[1] = next_pipe_fd++;
    return 0;
}

// Every watched descriptor is ready, but the panel only while it has events left.
int board_select(int nfds, fd_set *readable, fd_set *, fd_set *, struct timeval *) {
    int ready = 0;
    for (int fd = 0; fd < nfds; ++fd) {
        if (fd == PANEL_FD && panel_next == panel_event_count) {
            FD_CLR(fd, readable);
        }
        ready += FD_ISSET(fd, readable) ? 1 : 0;
    }
    return ready;
}

// The LCD's driver takes only the panel's mode; every other request succeeds.
int board_ioctl(int fd, unsigned long request, void *arg) {
    if (fd == FB_FD && request == FBIOPUT_VSCREENINFO &&
        !fb_mode_mismatch(*static_cast<fb_var_screeninfo *>(arg)).empty()) {
        return refuse(LCD_MODE_REFUSED);
    }
    return 0;
}

void *board_mmap(void *addr, size_t length, int prot, int flags, int fd, off_t offset) {
    if (fd == FB_FD) {
        return fb_pixels;
    }
    if (offset == DM9000_BASE) {
        return dm9000_ports;
    }
    return soc_table.mmap(addr, length, prot, flags, fd, offset);
}

struct dirent *board_readdir(DIR *) {
    const char *name = stick_names[stick_next];
    if (name == nullptr) {
        return nullptr;
    }
    ++stick_next;
    snprintf(stick_entry.d_name, sizeof stick_entry.d_name, "%s", name);
    return &stick_entry;
}

// The font FreeType opens on the mounted stick is DejaVu Sans Bold.
FT_Error stick_new_face(FT_Library library, const char *path, FT_Long index, FT_Face *face) {
    return FT_New_Face(library, strcmp(path, STICK_FONT) == 0 ? DEJAVU_BOLD : path, index, face);
}

int succeed() {
    return 0;
}

// Every entry refuses with ENOSYS (a void one does nothing) until the board fakes
// it, so an entry this board does not play fails in the test, never on the host.
template <typename Entry> struct Refused;
template <typename R, typename... Args> struct Refused<R (*)(Args...)> {
    static R call(Args...) {
        if constexpr (std::is_pointer_v<R>) {
            errno = ENOSYS;
            return nullptr;
        } else if constexpr (!std::is_void_v<R>) {
            errno = ENOSYS;
            return R(-1);
        }
    }
};

void refuse_every_entry() {
#define REFUSE(name, result, parameters) platform.name = Refused<decltype(platform.name)>::call;
    PLATFORM_ENTRIES(REFUSE)
#undef REFUSE
}

void install_devices() {
    platform.open = board_open;
    platform.read = board_read;
    platform.write = [](int, const void *, size_t count) { return static_cast<ssize_t>(count); };
    platform.close = [](int) { return succeed(); };
    platform.dup2 = [](int, int to) { return to; };
    platform.fcntl = [](int, int, int) { return succeed(); };
    platform.pipe = board_pipe;
    platform.select = board_select;
    platform.ioctl = board_ioctl;
    platform.mmap = board_mmap;
    platform.reg_read8 = [](volatile uint8_t *reg) {
        uint8_t value = 0xff;
        dm9000_model_read(dm9000, static_cast<uintptr_t>(reg - dm9000_ports), true, true, &value);
        return value;
    };
    platform.reg_write8 = [](volatile uint8_t *reg, uint8_t value) {
        dm9000_model_write(&dm9000, static_cast<uintptr_t>(reg - dm9000_ports), value);
    };
    platform.socket = [](int, int, int) { return SOCKET_FD; };
}

void install_processes() {
    platform.fork = [] { return pid_t{4242}; };
    platform.execv = [](const char *, char *const[]) -> int { _exit(0); };
    platform.getpid = [] { return pid_t{100}; };
    platform.getppid = [] { return pid_t{100}; };
    platform.prctl = [](int, unsigned long) { return succeed(); };
    platform.usleep = [](useconds_t) { return succeed(); };
    platform._exit = _exit;
}

// Nothing is at /tmp/touch or /tmp/d yet: a first start in this boot.
void install_files() {
    platform.stat = [](const char *, struct stat *) { return refuse(ENOENT); };
    platform.mkdir = [](const char *, mode_t) { return succeed(); };
    platform.mknod = [](const char *, mode_t, dev_t) { return succeed(); };
    platform.unlink = [](const char *) { return succeed(); };
    platform.mount = [](const char *, const char *, const char *, unsigned long, const void *) {
        return succeed();
    };
    platform.opendir = [](const char *) { return STICK_DIR; };
    platform.readdir = board_readdir;
    platform.closedir = [](DIR *) { return succeed(); };
    freetype.new_face = stick_new_face;
}

} // namespace

void install() {
    refuse_every_entry();
    soc_install();
    clock_install(START_MS);
    time_of_day_install();
    soc_table = platform;
    next_pipe_fd = FIRST_PIPE_FD;
    panel_next = 0;
    panel_event_count =
        static_cast<size_t>(touch_events(true, PANEL_RAW_X, PANEL_RAW_Y, 0, panel_events));
    dm9000 = Dm9000Model{};
    mountinfo = PROC_MOUNTED;
    mountinfo_read = 0;
    stick_names = FONT_STICK;
    stick_next = 0;
    install_devices();
    install_processes();
    install_files();
}

void install_restarted() {
    install();
    mountinfo = STICK_MOUNTED;
    platform.mkdir = [](const char *, mode_t) { return refuse(EEXIST); };
    platform.stat = [](const char *path, struct stat *info) {
        memset(info, 0, sizeof *info);
        info->st_mode = strcmp(path, "/tmp/d") == 0 ? S_IFDIR | 0755 : S_IFREG | 0644;
        return succeed();
    };
}

void install_child_side() {
    install();
    platform.fork = [] { return pid_t{0}; };
}

} // namespace test_board
