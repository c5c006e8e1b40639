// The board VM's agent, run by the guest's sysinit: the touch panel the host
// drives, the probes the host reads, and the DM9000 PHY's power as the kernel
// driver would give it.
//
// The touch panel is a uinput device with the panel's raw ranges, made before
// the application starts so that it is the first input device (event0, 13:64,
// the node the application makes).
//
// The host speaks to the agent on a virtio console, one command a line; every
// command is answered by its output lines, then "ok" or "error: WHY" on a line of
// its own, so the host knows it took effect.
//
//   press X Y        the pen down on screen pixel (X, Y), at the raw values that
//                    the application's calibration maps back to it
//   press-raw X Y    the pen down at raw panel values
//   release          the pen up
//   kill             SIGKILL to the application's main process (init's child)
//   ticks            "ticks N": the CPU time of the main process in clock ticks,
//                    -1 while none runs
//   inspect          lines "process PID PPID COMM TICKS", "mount DEVICE POINT
//                    TYPE" for /tmp/d and "node NAME MAJOR:MINOR" for character
//                    devices in /tmp
//   eth0             "eth0 UP ADDRESS": UP 1 while eth0 is up (IFF_UP), its IPv4
//                    address or 0.0.0.0
//   clients          "clients N": the udhcpc processes running
//   zombies          "zombies N": the processes in state Z
//   signal-client renew|release
//                    SIGUSR1 or SIGUSR2 to the one udhcpc process
//   address          "address 1" once the main process has read its address,
//                    else "address 0"
//   resources        "resources PID FDS RSS_KB" of the main process
//   faults           "faults MINOR MAJOR": the main process's page faults so far
//   pageout START END
//                    the main process's pages in [START, END) (decimal addresses,
//                    page-aligned) reclaimed as memory pressure would
//                    (MADV_PAGEOUT), answered "pageout PRESENT PAGES": how many of
//                    them are still mapped afterwards
//
// The PHY: the DM9000's internal PHY is powered only while the kernel's driver
// has eth0 open, and without power there is no link. The host plays the chip's
// registers in an ivshmem device's memory, whose BAR the device tree puts at the
// chip's address; the agent keeps the 32-bit word at offset 8 equal to 1 while
// eth0 is up and 0 otherwise, and the host sets the link bit only while it is 1.
// Offsets 0..7 are the chip's ports, the application's and the host's alone.
//
// Usage: board-vm-agent CHANNEL_DEVICE. It returns once the touch panel exists
// and the PHY word holds eth0's state, and serves in a child of its own.
#include "devices/touch_raw.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/uinput.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/uio.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr char APP_COMM[] = "ipslide";
constexpr char CLIENT_COMM[] = "udhcpc";
// The descriptor on which the application's network worker hands udhcpc the
// address pipe's write end.
constexpr int CLIENT_ADDRESS_FD = 9;

// The stand-in DM9000: ivshmem's vendor and device, the BAR of its memory.
constexpr char PCI_DEVICES[] = "/sys/bus/pci/devices";
constexpr unsigned IVSHMEM_VENDOR = 0x1af4;
constexpr unsigned IVSHMEM_DEVICE = 0x1110;
constexpr size_t PHY_WORD_OFFSET = 8;
constexpr size_t SHARED_MAP = 4096;
constexpr long PAGE_BYTES = 4096;

// A virtio console's port is added a moment after its driver has loaded.
constexpr int CHANNEL_TRIES = 100;
constexpr useconds_t CHANNEL_PAUSE_US = 50000;

int uinput_fd = -1;
int channel_fd = -1;
FILE *host = nullptr;
int link_watch = -1;
volatile uint32_t *phy_word = nullptr;

void emit(uint16_t type, uint16_t code, int32_t value) {
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    if (write(uinput_fd, &event, sizeof event) != static_cast<ssize_t>(sizeof event)) {
        perror("board-vm-agent: write /dev/uinput");
    }
}

// The input core drops an ABS event that repeats the axis's current value, so a
// reader started since the last touch (after a restart) would never hear a
// press on the very same raw spot. A real resistive panel never repeats itself
// to the unit; ours moves one unit off and back within the same report.
void emit_axis(uint16_t axis, int32_t value, int32_t *current) {
    if (value == *current) {
        emit(EV_ABS, axis, value ^ 1);
    }
    emit(EV_ABS, axis, value);
    *current = value;
}

void press_raw(long raw_x, long raw_y) {
    static int32_t x = 0, y = 0;
    emit(EV_KEY, BTN_TOUCH, 1);
    emit_axis(ABS_X, static_cast<int32_t>(raw_x), &x);
    emit_axis(ABS_Y, static_cast<int32_t>(raw_y), &y);
    emit(EV_SYN, SYN_REPORT, 0);
}

void release() {
    emit(EV_KEY, BTN_TOUCH, 0);
    emit(EV_SYN, SYN_REPORT, 0);
}

bool make_device() {
    uinput_fd = open("/dev/uinput", O_WRONLY | O_CLOEXEC);
    if (uinput_fd < 0) {
        perror("board-vm-agent: open /dev/uinput");
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
        perror("board-vm-agent: uinput set-up");
        return false;
    }
    return true;
}

bool not_there_yet(int error) {
    return error == ENODEV || error == ENXIO || error == ENOENT;
}

bool open_channel(const char *path) {
    for (int tries = 1; channel_fd < 0; tries++) {
        channel_fd = open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (channel_fd >= 0) {
            break;
        }
        if (!not_there_yet(errno) || tries == CHANNEL_TRIES) {
            fprintf(stderr, "board-vm-agent: open %s: %s\n", path, strerror(errno));
            return false;
        }
        usleep(CHANNEL_PAUSE_US);
    }
    termios mode{};
    if (tcgetattr(channel_fd, &mode) == 0) {
        cfmakeraw(&mode);
        tcsetattr(channel_fd, TCSANOW, &mode);
    }
    // Commands are read from the descriptor itself, so that poll sees every byte
    // that has not been handled; replies go through stdio.
    host = fdopen(dup(channel_fd), "w");
    return host != nullptr;
}

unsigned read_hex_file(const char *folder, const char *name) {
    char path[300];
    snprintf(path, sizeof path, "%s/%s", folder, name);
    FILE *f = fopen(path, "r");
    if (f == nullptr) {
        return 0;
    }
    unsigned value = 0;
    if (fscanf(f, "%x", &value) != 1) {
        value = 0;
    }
    fclose(f);
    return value;
}

// The ivshmem device's memory, as its sysfs resource2; the sysinit has enabled
// the device, so the BAR decodes.
bool map_shared_memory() {
    DIR *devices = opendir(PCI_DEVICES);
    if (devices == nullptr) {
        fprintf(stderr, "board-vm-agent: open %s: %s\n", PCI_DEVICES, strerror(errno));
        return false;
    }
    char folder[300] = "";
    for (dirent *entry = readdir(devices); entry != nullptr; entry = readdir(devices)) {
        char candidate[300];
        snprintf(candidate, sizeof candidate, "%s/%s", PCI_DEVICES, entry->d_name);
        if (entry->d_name[0] != '.' && read_hex_file(candidate, "vendor") == IVSHMEM_VENDOR &&
            read_hex_file(candidate, "device") == IVSHMEM_DEVICE) {
            snprintf(folder, sizeof folder, "%s", candidate);
            break;
        }
    }
    closedir(devices);
    if (folder[0] == '\0') {
        fprintf(stderr, "board-vm-agent: no ivshmem device (%04x:%04x) on the PCI bus\n",
                IVSHMEM_VENDOR, IVSHMEM_DEVICE);
        return false;
    }
    char path[320];
    snprintf(path, sizeof path, "%s/resource2", folder);
    int fd = open(path, O_RDWR | O_SYNC | O_CLOEXEC);
    if (fd < 0) {
        fprintf(stderr, "board-vm-agent: open %s: %s\n", path, strerror(errno));
        return false;
    }
    void *page = mmap(nullptr, SHARED_MAP, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (page == MAP_FAILED) {
        fprintf(stderr, "board-vm-agent: mmap %s: %s\n", path, strerror(errno));
        return false;
    }
    phy_word =
        reinterpret_cast<volatile uint32_t *>(static_cast<uint8_t *>(page) + PHY_WORD_OFFSET);
    return true;
}

// eth0's flags, or false when there is no eth0 (its driver not loaded).
bool eth0_request(unsigned long request, ifreq *req) {
    int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        return false;
    }
    memset(req, 0, sizeof *req);
    snprintf(req->ifr_name, sizeof req->ifr_name, "eth0");
    bool ok = ioctl(sock, request, req) == 0;
    close(sock);
    return ok;
}

bool eth0_up() {
    ifreq req;
    return eth0_request(SIOCGIFFLAGS, &req) && (req.ifr_flags & IFF_UP) != 0;
}

void phy_update() {
    if (phy_word != nullptr) {
        *phy_word = eth0_up() ? 1 : 0;
    }
}

// Every change of a link's flags comes as a message to this group; the socket is
// bound before eth0's state is first read, so no change falls between the two.
void watch_links() {
    link_watch = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (link_watch < 0) {
        perror("board-vm-agent: netlink socket");
        return;
    }
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_LINK;
    if (bind(link_watch, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        perror("board-vm-agent: netlink bind");
        close(link_watch);
        link_watch = -1;
    }
}

// The messages themselves are not read: whatever changed, eth0's flags are asked
// again. A queue that overflowed (ENOBUFS) needs the same.
void drain_link_messages() {
    char buffer[8192];
    for (;;) {
        ssize_t n = recv(link_watch, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != ENOBUFS && errno != EINTR)) {
            break;
        }
    }
    phy_update();
}

// /proc/PID/stat: "PID (COMM) STATE PPID ..." with utime and stime as fields 14, 15.
struct ProcInfo {
    long pid = 0;
    long ppid = 0;
    char state = '?';
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
    ok = sscanf(close_paren + 2, "%c %ld %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &info->state,
                &info->ppid, &utime, &stime) == 4;
    info->ticks = utime + stime;
    return ok;
}

// Calls visit for every process.
template <typename Visit> void each_process(Visit visit) {
    DIR *proc = opendir("/proc");
    if (proc == nullptr) {
        return;
    }
    for (dirent *entry = readdir(proc); entry != nullptr; entry = readdir(proc)) {
        ProcInfo info;
        if (entry->d_name[0] >= '1' && entry->d_name[0] <= '9' && read_proc(entry->d_name, &info)) {
            visit(info);
        }
    }
    closedir(proc);
}

bool is_app(const ProcInfo &info) {
    return strcmp(info.comm, APP_COMM) == 0;
}

// The network worker becomes udhcpc (it execs the client).
bool is_client(const ProcInfo &info) {
    return strcmp(info.comm, CLIENT_COMM) == 0;
}

// The application's main process is the one init started; its workers are its
// children.
ProcInfo main_process() {
    ProcInfo found;
    each_process([&](const ProcInfo &info) {
        if (info.ppid == 1 && is_app(info)) {
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
    each_process([](const ProcInfo &info) {
        if (is_app(info) || is_client(info)) {
            char path[64], wchan[64] = "-";
            snprintf(path, sizeof path, "/proc/%ld/wchan", info.pid);
            FILE *f = fopen(path, "r");
            if (f != nullptr) {
                if (fgets(wchan, sizeof wchan, f) == nullptr || wchan[0] == '\0') {
                    snprintf(wchan, sizeof wchan, "-");
                }
                fclose(f);
            }
            fprintf(host, "process %ld %ld %s %lu %s\n", info.pid, info.ppid, info.comm, info.ticks,
                    wchan);
        }
    });
    report_mounts();
    report_nodes();
}

const char *report_eth0() {
    ifreq req;
    if (!eth0_request(SIOCGIFFLAGS, &req)) {
        return "no eth0";
    }
    int up = (req.ifr_flags & IFF_UP) != 0 ? 1 : 0;
    char text[INET_ADDRSTRLEN] = "0.0.0.0";
    // No address at all is EADDRNOTAVAIL.
    if (eth0_request(SIOCGIFADDR, &req)) {
        sockaddr_in address;
        memcpy(&address, &req.ifr_addr, sizeof address);
        inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    }
    fprintf(host, "eth0 %d %s\n", up, text);
    return nullptr;
}

const char *signal_client(const char *event) {
    int signal_number = 0;
    if (strcmp(event, "renew") == 0) {
        signal_number = SIGUSR1;
    } else if (strcmp(event, "release") == 0) {
        signal_number = SIGUSR2;
    } else {
        return "signal-client takes renew or release";
    }
    int count = 0;
    long pid = 0;
    each_process([&](const ProcInfo &info) {
        if (is_client(info)) {
            count++;
            pid = info.pid;
        }
    });
    if (count == 0) {
        return "no udhcpc is running";
    }
    if (count > 1) {
        return "more than one udhcpc is running";
    }
    if (kill(static_cast<pid_t>(pid), signal_number) != 0) {
        return strerror(errno);
    }
    return nullptr;
}

// What descriptor FD of process PID is, as its /proc link reads ("pipe:[INODE]"),
// or false when it is not open.
bool descriptor_target(long pid, const char *fd, char *target, size_t size) {
    char path[300];
    snprintf(path, sizeof path, "/proc/%ld/fd/%s", pid, fd);
    ssize_t n = readlink(path, target, size - 1);
    if (n < 0) {
        return false;
    }
    target[n] = '\0';
    return true;
}

bool holds_descriptor(long pid, const char *wanted) {
    char folder[64];
    snprintf(folder, sizeof folder, "/proc/%ld/fd", pid);
    DIR *fds = opendir(folder);
    if (fds == nullptr) {
        return false;
    }
    bool found = false;
    char target[128];
    for (dirent *entry = readdir(fds); entry != nullptr && !found; entry = readdir(fds)) {
        found = entry->d_name[0] != '.' &&
                descriptor_target(pid, entry->d_name, target, sizeof target) &&
                strcmp(target, wanted) == 0;
    }
    closedir(fds);
    return found;
}

// The main process holds both ends of the address pipe until it has read the
// address, then closes them; udhcpc keeps the write end as descriptor 9. So the
// address has been read once the main process's own client (its worker, exec'd;
// a killed start's client may still be on its way out) runs with a pipe the main
// process no longer holds.
int address_read() {
    long main_pid = main_process().pid;
    if (main_pid == 0) {
        return 0;
    }
    int seen = 0;
    char fd_name[16];
    snprintf(fd_name, sizeof fd_name, "%d", CLIENT_ADDRESS_FD);
    each_process([&](const ProcInfo &info) {
        char pipe_name[128];
        if (is_client(info) && info.ppid == main_pid &&
            descriptor_target(info.pid, fd_name, pipe_name, sizeof pipe_name) &&
            strncmp(pipe_name, "pipe:", 5) == 0 && !holds_descriptor(main_pid, pipe_name)) {
            seen = 1;
        }
    });
    return seen;
}

long count_entries(const char *folder) {
    DIR *dir = opendir(folder);
    if (dir == nullptr) {
        return -1;
    }
    long count = 0;
    for (dirent *entry = readdir(dir); entry != nullptr; entry = readdir(dir)) {
        if (entry->d_name[0] != '.') {
            count++;
        }
    }
    closedir(dir);
    return count;
}

long resident_kb(long pid) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%ld/status", pid);
    FILE *f = fopen(path, "r");
    if (f == nullptr) {
        return -1;
    }
    long kb = -1;
    char line[128];
    while (kb < 0 && fgets(line, sizeof line, f) != nullptr) {
        if (sscanf(line, "VmRSS: %ld kB", &kb) != 1) {
            kb = -1;
        }
    }
    fclose(f);
    return kb;
}

const char *report_resources() {
    long pid = main_process().pid;
    if (pid == 0) {
        return "no application process is running";
    }
    char folder[64];
    snprintf(folder, sizeof folder, "/proc/%ld/fd", pid);
    long fds = count_entries(folder);
    long kb = resident_kb(pid);
    if (fds < 0 || kb < 0) {
        return "the application's process went away";
    }
    fprintf(host, "resources %ld %ld %ld\n", pid, fds, kb);
    return nullptr;
}

long count_processes(bool (*wanted)(const ProcInfo &)) {
    long count = 0;
    each_process([&](const ProcInfo &info) {
        if (wanted(info)) {
            count++;
        }
    });
    return count;
}

// /proc/PID/stat's fields 10 and 12.
bool read_faults(long pid, unsigned long *minor, unsigned long *major) {
    char path[64], line[512];
    snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    FILE *f = fopen(path, "r");
    bool ok = f != nullptr && fgets(line, sizeof line, f) != nullptr;
    if (f != nullptr) {
        fclose(f);
    }
    const char *after_comm = ok ? strrchr(line, ')') : nullptr;
    return after_comm != nullptr &&
           sscanf(after_comm + 2, "%*c %*d %*d %*d %*d %*d %*u %lu %*u %lu", minor, major) == 2;
}

const char *report_faults() {
    unsigned long minor = 0, major = 0;
    long pid = main_process().pid;
    if (pid == 0 || !read_faults(pid, &minor, &major)) {
        return "no application process is running";
    }
    fprintf(host, "faults %lu %lu\n", minor, major);
    return nullptr;
}

// Bit 63 of a pagemap entry: the page is mapped in this process.
long present_pages(long pid, unsigned long start, unsigned long end) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%ld/pagemap", pid);
    int fd = open(path, O_RDONLY);
    long present = 0;
    for (unsigned long page = start; fd >= 0 && page < end; page += PAGE_BYTES) {
        uint64_t entry = 0;
        off_t at = static_cast<off_t>(page / PAGE_BYTES * sizeof entry);
        if (pread(fd, &entry, sizeof entry, at) != sizeof entry) {
            present = -1;
            break;
        }
        present += static_cast<long>(entry >> 63);
    }
    if (fd >= 0) {
        close(fd);
    }
    return fd < 0 ? -1 : present;
}

// Reclaim as the kernel would under memory pressure: the clean file pages leave
// the page cache, so the next touch reads them from the disk again. A page another
// process also maps is skipped by the kernel, hence the count afterwards.
const char *page_out(long start, long end) {
    long pid = main_process().pid;
    if (pid == 0) {
        return "no application process is running";
    }
    if (start < 0 || end <= start || start % PAGE_BYTES != 0 || end % PAGE_BYTES != 0) {
        return "pageout wants page-aligned START < END";
    }
    int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    iovec range = {reinterpret_cast<void *>(start), static_cast<size_t>(end - start)};
    long done = pidfd < 0 ? -1 : syscall(SYS_process_madvise, pidfd, &range, 1, MADV_PAGEOUT, 0);
    if (pidfd >= 0) {
        close(pidfd);
    }
    if (done < 0) {
        return strerror(errno);
    }
    long present =
        present_pages(pid, static_cast<unsigned long>(start), static_cast<unsigned long>(end));
    fprintf(host, "pageout %ld %ld\n", present, (end - start) / PAGE_BYTES);
    return nullptr;
}

// Returns nullptr when the command was carried out, else why not.
const char *run(const char *line) {
    char name[24] = "", word[24] = "";
    long x = 0, y = 0;
    int n = sscanf(line, "%23s %ld %ld", name, &x, &y);
    int words = sscanf(line, "%23s %23s", name, word);
    if (n == 3 && strcmp(name, "pageout") == 0) {
        return page_out(x, y);
    } else if (n == 3 && strcmp(name, "press") == 0) {
        int32_t raw_x = 0, raw_y = 0;
        touch_screen_to_raw(static_cast<int>(x), static_cast<int>(y), &raw_x, &raw_y);
        press_raw(raw_x, raw_y);
    } else if (n == 3 && strcmp(name, "press-raw") == 0) {
        press_raw(x, y);
    } else if (words == 2 && strcmp(name, "signal-client") == 0) {
        return signal_client(word);
    } else if (words != 1) {
        return "unknown command";
    } else if (strcmp(name, "release") == 0) {
        release();
    } else if (strcmp(name, "kill") == 0) {
        return kill_app();
    } else if (strcmp(name, "ticks") == 0) {
        ProcInfo app = main_process();
        fprintf(host, "ticks %ld\n", app.pid == 0 ? -1L : static_cast<long>(app.ticks));
    } else if (strcmp(name, "inspect") == 0) {
        inspect();
    } else if (strcmp(name, "eth0") == 0) {
        return report_eth0();
    } else if (strcmp(name, "clients") == 0) {
        fprintf(host, "clients %ld\n", count_processes(is_client));
    } else if (strcmp(name, "zombies") == 0) {
        fprintf(host, "zombies %ld\n",
                count_processes([](const ProcInfo &info) { return info.state == 'Z'; }));
    } else if (strcmp(name, "address") == 0) {
        fprintf(host, "address %d\n", address_read());
    } else if (strcmp(name, "resources") == 0) {
        return report_resources();
    } else if (strcmp(name, "faults") == 0) {
        return report_faults();
    } else {
        return "unknown command";
    }
    return nullptr;
}

void answer(const char *line) {
    const char *why = run(line);
    if (why == nullptr) {
        fputs("ok\n", host);
    } else {
        fprintf(host, "error: %s\n", why);
    }
    fflush(host);
}

// Handles the complete lines in the buffer and keeps the start of the next. A
// line longer than the buffer is answered as an error and skipped to its end.
void take_commands(char *buffer, size_t *length, bool *skipping) {
    char *start = buffer;
    char *end = buffer + *length;
    for (char *newline; (newline = static_cast<char *>(memchr(start, '\n', end - start)));
         start = newline + 1) {
        *newline = '\0';
        if (*skipping) {
            *skipping = false;
        } else {
            answer(start);
        }
    }
    *length = static_cast<size_t>(end - start);
    memmove(buffer, start, *length);
}

[[noreturn]] void serve() {
    char buffer[256];
    size_t length = 0;
    bool skipping = false;
    pollfd watched[2] = {{channel_fd, POLLIN, 0}, {link_watch, POLLIN, 0}};
    nfds_t count = link_watch >= 0 ? 2 : 1;
    for (;;) {
        if (poll(watched, count, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            perror("board-vm-agent: poll");
            exit(1);
        }
        if (count == 2 && watched[1].revents != 0) {
            drain_link_messages();
        }
        if (watched[0].revents == 0) {
            continue;
        }
        ssize_t n = read(channel_fd, buffer + length, sizeof buffer - 1 - length);
        if (n <= 0 && !(n < 0 && (errno == EINTR || errno == EAGAIN))) {
            fprintf(stderr, "board-vm-agent: the host's channel closed\n");
            exit(1);
        }
        length += n > 0 ? static_cast<size_t>(n) : 0;
        take_commands(buffer, &length, &skipping);
        if (length == sizeof buffer - 1) {
            if (!skipping) {
                fputs("error: line too long\n", host);
                fflush(host);
            }
            skipping = true;
            length = 0;
        }
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: board-vm-agent CHANNEL_DEVICE\n");
        return 2;
    }
    if (!make_device() || !open_channel(argv[1])) {
        return 1;
    }
    if (map_shared_memory()) {
        watch_links();
        phy_update();
    }
    pid_t child = fork();
    if (child < 0) {
        perror("board-vm-agent: fork");
        return 1;
    }
    if (child == 0) {
        setsid();
        serve();
    }
    return 0;
}
