// The board VM's touch panel and probe, run by the guest's sysinit: a uinput
// device with the panel's raw ranges (the first input device, so event0, 13:64,
// the node the application makes), driven by one-line commands from the host on
// a serial port. Every command is answered by "ok" or "error: WHY" on a line of
// its own, so the host knows it took effect.
//
//   press X Y      the pen down on screen pixel (X, Y), at the raw values that
//                  the application's calibration maps back to it
//   press-raw X Y  the pen down at raw panel values
//   release        the pen up
//   kill           SIGKILL to the application's main process (init's child)
//   ticks          "ticks N": the CPU time of the main process in clock ticks, -1
//                  while none runs
//   inspect        lines "process PID PPID COMM TICKS", "mount DEVICE POINT TYPE"
//                  for /tmp/d and "node NAME MAJOR:MINOR" for character devices
//                  in /tmp, then "ok"
//
// Usage: board-vm-touch SERIAL_DEVICE. It returns once the device exists and
// serves in a child of its own.
#include "devices/touch_raw.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr char APP_COMM[] = "ipslide";

int uinput_fd = -1;
FILE *host = nullptr;

void emit(uint16_t type, uint16_t code, int32_t value) {
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    if (write(uinput_fd, &event, sizeof event) != static_cast<ssize_t>(sizeof event)) {
        perror("board-vm-touch: write /dev/uinput");
    }
}

void press_raw(long raw_x, long raw_y) {
    emit(EV_KEY, BTN_TOUCH, 1);
    emit(EV_ABS, ABS_X, static_cast<int32_t>(raw_x));
    emit(EV_ABS, ABS_Y, static_cast<int32_t>(raw_y));
    emit(EV_SYN, SYN_REPORT, 0);
}

void release() {
    emit(EV_KEY, BTN_TOUCH, 0);
    emit(EV_SYN, SYN_REPORT, 0);
}

bool make_device() {
    uinput_fd = open("/dev/uinput", O_WRONLY | O_CLOEXEC);
    if (uinput_fd < 0) {
        perror("board-vm-touch: open /dev/uinput");
        return false;
    }
    uinput_user_dev dev{};
    snprintf(dev.name, sizeof dev.name, "board-vm touch panel");
    dev.id.bustype = BUS_HOST;
    dev.absmin[ABS_X] = TOUCH_RAW_MIN;
    dev.absmax[ABS_X] = TOUCH_RAW_MAX;
    dev.absmin[ABS_Y] = TOUCH_RAW_MIN;
    dev.absmax[ABS_Y] = TOUCH_RAW_MAX;
    if (ioctl(uinput_fd, UI_SET_EVBIT, EV_KEY) != 0 ||
        ioctl(uinput_fd, UI_SET_KEYBIT, BTN_TOUCH) != 0 ||
        ioctl(uinput_fd, UI_SET_EVBIT, EV_ABS) != 0 ||
        ioctl(uinput_fd, UI_SET_ABSBIT, ABS_X) != 0 ||
        ioctl(uinput_fd, UI_SET_ABSBIT, ABS_Y) != 0 ||
        write(uinput_fd, &dev, sizeof dev) != static_cast<ssize_t>(sizeof dev) ||
        ioctl(uinput_fd, UI_DEV_CREATE) != 0) {
        perror("board-vm-touch: uinput set-up");
        return false;
    }
    return true;
}

bool open_serial(const char *path) {
    int fd = open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        fprintf(stderr, "board-vm-touch: open %s: %s\n", path, strerror(errno));
        return false;
    }
    termios mode{};
    if (tcgetattr(fd, &mode) == 0) {
        cfmakeraw(&mode);
        tcsetattr(fd, TCSANOW, &mode);
    }
    host = fdopen(fd, "r+");
    return host != nullptr;
}

// /proc/PID/stat: "PID (COMM) STATE PPID ..." with utime and stime as fields 14, 15.
struct ProcInfo {
    long pid = 0;
    long ppid = 0;
    char comm[32] = "";
    unsigned long ticks = 0;
};

bool read_proc(const char *pid_name, ProcInfo *info) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%s/stat", pid_name);
    FILE *f = fopen(path, "r");
    if (f == nullptr) {
        return false;
    }
    char line[512];
    bool ok = fgets(line, sizeof line, f) != nullptr;
    fclose(f);
    char *open_paren = strchr(line, '(');
    char *close_paren = strrchr(line, ')');
    if (!ok || open_paren == nullptr || close_paren == nullptr) {
        return false;
    }
    info->pid = strtol(line, nullptr, 10);
    size_t n = static_cast<size_t>(close_paren - open_paren - 1);
    n = n < sizeof info->comm - 1 ? n : sizeof info->comm - 1;
    memcpy(info->comm, open_paren + 1, n);
    info->comm[n] = '\0';
    unsigned long utime = 0, stime = 0;
    ok = sscanf(close_paren + 2, "%*c %ld %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &info->ppid,
                &utime, &stime) == 3;
    info->ticks = utime + stime;
    return ok;
}

// Calls visit for every process whose name is the application's or udhcpc's
// (the network worker once it has exec'd the client).
template <typename Visit> void each_app_process(Visit visit) {
    DIR *proc = opendir("/proc");
    if (proc == nullptr) {
        return;
    }
    for (dirent *entry = readdir(proc); entry != nullptr; entry = readdir(proc)) {
        ProcInfo info;
        if (entry->d_name[0] >= '1' && entry->d_name[0] <= '9' && read_proc(entry->d_name, &info) &&
            (strcmp(info.comm, APP_COMM) == 0 || strcmp(info.comm, "udhcpc") == 0)) {
            visit(info);
        }
    }
    closedir(proc);
}

// The application's main process is the one init started; its workers are its
// children.
ProcInfo main_process() {
    ProcInfo found;
    each_app_process([&](const ProcInfo &info) {
        if (info.ppid == 1 && strcmp(info.comm, APP_COMM) == 0) {
            found = info;
        }
    });
    return found;
}

const char *kill_app() {
    long main_pid = main_process().pid;
    if (main_pid == 0) {
        return "no application process is running";
    }
    if (kill(static_cast<pid_t>(main_pid), SIGKILL) != 0) {
        return strerror(errno);
    }
    fprintf(host, "killed %ld\n", main_pid);
    return nullptr;
}

void report_mounts() {
    FILE *mounts = fopen("/proc/mounts", "r");
    if (mounts == nullptr) {
        return;
    }
    char device[128], point[128], type[32];
    while (fscanf(mounts, "%127s %127s %31s %*[^\n]", device, point, type) == 3) {
        if (strcmp(point, "/tmp/d") == 0) {
            fprintf(host, "mount %s %s %s\n", device, point, type);
        }
    }
    fclose(mounts);
}

void report_nodes() {
    DIR *tmp = opendir("/tmp");
    if (tmp == nullptr) {
        return;
    }
    for (dirent *entry = readdir(tmp); entry != nullptr; entry = readdir(tmp)) {
        char path[300];
        struct stat info;
        snprintf(path, sizeof path, "/tmp/%s", entry->d_name);
        if (lstat(path, &info) == 0 && S_ISCHR(info.st_mode)) {
            fprintf(host, "node %s %u:%u\n", path, major(info.st_rdev), minor(info.st_rdev));
        }
    }
    closedir(tmp);
}

void inspect() {
    each_app_process([](const ProcInfo &info) {
        fprintf(host, "process %ld %ld %s %lu\n", info.pid, info.ppid, info.comm, info.ticks);
    });
    report_mounts();
    report_nodes();
}

// Returns nullptr when the command was carried out, else why not.
const char *run(const char *line) {
    char name[16] = "";
    long x = 0, y = 0;
    int n = sscanf(line, "%15s %ld %ld", name, &x, &y);
    if (n == 3 && strcmp(name, "press") == 0) {
        int32_t raw_x = 0, raw_y = 0;
        touch_screen_to_raw(static_cast<int>(x), static_cast<int>(y), &raw_x, &raw_y);
        press_raw(raw_x, raw_y);
    } else if (n == 3 && strcmp(name, "press-raw") == 0) {
        press_raw(x, y);
    } else if (n == 1 && strcmp(name, "release") == 0) {
        release();
    } else if (n == 1 && strcmp(name, "kill") == 0) {
        return kill_app();
    } else if (n == 1 && strcmp(name, "ticks") == 0) {
        ProcInfo app = main_process();
        fprintf(host, "ticks %ld\n", app.pid == 0 ? -1L : static_cast<long>(app.ticks));
    } else if (n == 1 && strcmp(name, "inspect") == 0) {
        inspect();
    } else {
        return "unknown command";
    }
    return nullptr;
}

[[noreturn]] void serve() {
    char line[128];
    while (fgets(line, sizeof line, host) != nullptr) {
        const char *why = run(line);
        if (why == nullptr) {
            fputs("ok\n", host);
        } else {
            fprintf(host, "error: %s\n", why);
        }
        fflush(host);
    }
    fprintf(stderr, "board-vm-touch: the host's serial line closed\n");
    exit(1);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: board-vm-touch SERIAL_DEVICE\n");
        return 2;
    }
    if (!make_device() || !open_serial(argv[1])) {
        return 1;
    }
    pid_t child = fork();
    if (child < 0) {
        perror("board-vm-touch: fork");
        return 1;
    }
    if (child == 0) {
        setsid();
        serve();
    }
    return 0;
}
