// The network side of the simulated board: the exec of "/sbin/udhcpc", the real
// BusyBox client on the board's own network (board_network.h) or the stand-in
// (udhcpc_standin.cpp) with the interface requests kept here; the line about the
// network in the window title and the reports of the lease and of its reading.
#include "devices/dhcp_client.h"
#include "devices/board_clock.h"
#include "devices/board_network.h"
#include "devices/board_state.h"
#include "devices/dm9000.h"
#include "options.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <new>
#include <string>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// What the interface requests set and what the client leased; shared between the
// simulator and the application's processes.
struct NetState {
    std::atomic<uint32_t> flags;
    std::atomic<uint32_t> address; // network byte order
    std::atomic<int32_t> address_set;
    char lease[16];
};

NetState *state;
SimOptions options_at_boot; // copied before the fork; the worker reads it at exec
// The shipped script, opened before the fork: inside the application's namespace
// /tmp is the board's, so a source tree under the host's /tmp cannot be reached by
// its path. The descriptor stays open across the execs down to the shell.
int script_fd = -1;
constexpr int SCRIPT_FD_BASE = 150;
char status_line[160];

// The stand-in tells the address it leased on a pipe: the read end here, not
// blocking; the write end kept open down to the client's exec, as the script is.
int lease_told = -1, lease_tell = -1;

const char *const EXPECTED_ARGV[] = {
    "/sbin/udhcpc",         "-f",    "-i", "eth0", "-s", "/etc/udhcpc.conf", "-p",
    "/tmp/udhcpc.eth0.pid", nullptr,
};
// In the board's /tmp: ifconfig and route as BusyBox's applets, for the script.
constexpr char APPLET_DIR[] = "/tmp/.busybox-bin";

bool is_interface_request(unsigned long request) {
    return request == SIOCGIFFLAGS || request == SIOCSIFFLAGS || request == SIOCSIFADDR;
}

int fail(int error) {
    errno = error;
    return -1;
}

int interface_request(unsigned long request, ifreq *req) {
    if (request == SIOCGIFFLAGS) {
        req->ifr_flags = static_cast<short>(state->flags.load());
        return 0;
    }
    if (request == SIOCSIFFLAGS) {
        state->flags = static_cast<uint16_t>(req->ifr_flags);
        fprintf(stderr, "sim: eth0 flags 0x%04x\n", state->flags.load());
        return 0;
    }
    sockaddr_in address;
    memcpy(&address, &req->ifr_addr, sizeof address);
    if (address.sin_family != AF_INET) {
        return fail(EINVAL);
    }
    state->address = address.sin_addr.s_addr;
    state->address_set = 1;
    fprintf(stderr, "sim: eth0 address %s\n", inet_ntoa(address.sin_addr));
    return 0;
}

bool argv_is_expected(char *const argv[]) {
    size_t i = 0;
    for (; EXPECTED_ARGV[i] != nullptr; ++i) {
        if (argv[i] == nullptr || strcmp(argv[i], EXPECTED_ARGV[i]) != 0) {
            return false;
        }
    }
    return argv[i] == nullptr;
}

std::string quoted_argv(char *const argv[]) {
    std::string all;
    for (size_t i = 0; argv[i] != nullptr; ++i) {
        all += std::string(i == 0 ? "" : " ") + "\"" + argv[i] + "\"";
    }
    return all;
}

void say(uint64_t started, const std::string &what) {
    printf("ipslide-sim: %6u ms  %s\n", static_cast<unsigned>((monotonic_us() - started) / 1000),
           what.c_str());
    fflush(stdout);
}

// The lease the client holds now into *lease, "" for none: as the DHCP server's
// lease file has it (board_network.h), or as the stand-in told it (16 characters,
// padded with spaces). False while there is nothing to tell.
bool current_lease(std::string *lease) {
    if (board_network_on()) {
        return lease_file_lease(board_network_lease_file(), lease);
    }
    char told[17] = {};
    if (read(lease_told, told, 16) != 16) {
        return false;
    }
    *lease = std::string(told, strcspn(told, " "));
    return true;
}

// Tells the person running the simulator when the client obtains or loses a
// lease and when the application's main process reads the address. Touches only
// its own copies and the shared state, so it may outlive everything else at exit.
void watch_network() {
    uint64_t started = monotonic_us();
    int32_t said_reader = 0;
    for (;; std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        std::string lease;
        if (current_lease(&lease) && lease != state->lease) {
            snprintf(state->lease, sizeof state->lease, "%s", lease.c_str());
            say(started, lease.empty() ? "the DHCP client has no lease any more"
                                       : "lease " + lease + " obtained by the DHCP client");
        }
        int32_t reader = board_state()->address_reader;
        if (reader != said_reader) {
            said_reader = reader;
            say(started,
                std::string("the application read the address ") + board_state()->address_read);
        }
    }
}

} // namespace

void dhcp_init(const SimOptions &options) {
    void *shared =
        mmap(nullptr, sizeof(NetState), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
        perror("ipslide-sim: network memory");
        exit(2);
    }
    state = new (shared) NetState();
    state->flags = IFF_BROADCAST | IFF_MULTICAST; // present, but down
    options_at_boot = options;
    std::string script = options.source_dir + "/deploy/udhcpc.conf";
    int fd = open(script.c_str(), O_RDONLY);
    if (fd < 0) {
        fprintf(stderr, "ipslide-sim: no DHCP script %s: %s\n", script.c_str(), strerror(errno));
        exit(2);
    }
    script_fd = fcntl(fd, F_DUPFD, SCRIPT_FD_BASE);
    close(fd);
    int told[2];
    if (pipe2(told, O_CLOEXEC | O_NONBLOCK) != 0) {
        perror("ipslide-sim: the stand-in's lease pipe");
        exit(2);
    }
    lease_told = told[0];
    lease_tell = fcntl(told[1], F_DUPFD, SCRIPT_FD_BASE);
    close(told[1]);
    std::thread(watch_network).detach();
}

// Only the requests the worker makes are the board's; anything else goes to the
// host's kernel. The host's own interfaces are never touched.
int net_ioctl(int fd, unsigned long request, void *arg, bool *handled) {
    // With the board's own network the requests go to its real eth0.
    *handled = !board_network_on() && is_interface_request(request);
    if (!*handled) {
        return -1;
    }
    struct stat info;
    if (fstat(fd, &info) != 0) {
        return fail(EBADF);
    }
    if (!S_ISSOCK(info.st_mode)) {
        return fail(ENOTTY);
    }
    ifreq *req = static_cast<ifreq *>(arg);
    if (strncmp(req->ifr_name, "eth0", IFNAMSIZ) != 0) {
        return fail(ENODEV);
    }
    return interface_request(request, req);
}

// BusyBox's udhcpc with the board's command line, the shipped script in place of
// /etc/udhcpc.conf. The script's ifconfig and route are BusyBox's, as on the
// board, and its resolv.conf is the board's /tmp one, never the host's.
int exec_busybox_client(char *const argv[]) {
    std::string busybox = find_program("busybox");
    mkdir(APPLET_DIR, 0755);
    for (const char *applet : {"ifconfig", "route"}) {
        symlink(busybox.c_str(), (std::string(APPLET_DIR) + "/" + applet).c_str());
    }
    std::string script = "/dev/fd/" + std::to_string(script_fd);
    std::vector<char *> args = {const_cast<char *>("udhcpc")};
    for (size_t i = 1; argv[i] != nullptr; ++i) {
        bool conf = strcmp(argv[i], "/etc/udhcpc.conf") == 0;
        args.push_back(conf ? script.data() : argv[i]);
    }
    args.push_back(nullptr);
    const char *path = getenv("PATH");
    std::string search = std::string("PATH=") + APPLET_DIR + ":" + (path ? path : "/usr/bin:/bin");
    std::string resolv = "RESOLV_CONF=/tmp/resolv.conf";
    std::vector<char *> env = {search.data(), resolv.data(), nullptr};
    return execve(busybox.c_str(), args.data(), env.data());
}

// "/sbin/udhcpc" with exactly the board's command line becomes the client; this
// process is replaced, as on the board, and keeps its descriptors.
int dhcp_exec(const char *path, char *const argv[]) {
    if (strcmp(path, "/sbin/udhcpc") != 0) {
        return fail(ENOENT);
    }
    if (!argv_is_expected(argv)) {
        fprintf(stderr, "sim: /sbin/udhcpc refuses the command line %s\n",
                quoted_argv(argv).c_str());
        return fail(ENOEXEC);
    }
    if (board_network_on()) {
        return exec_busybox_client(argv);
    }
    const SimOptions &o = options_at_boot;
    std::string delay = std::to_string(o.lease_delay_ms), tell = std::to_string(lease_tell),
                conf = "/dev/fd/" + std::to_string(script_fd);
    std::vector<std::string> words = {
        "/sbin/udhcpc", "udhcpc-standin", "--lease", o.lease, "--lease-delay", delay, "--conf",
        conf,           "--tell",         tell,      "--"};
    for (size_t i = 1; argv[i] != nullptr; ++i) {
        words.emplace_back(argv[i]);
    }
    std::vector<char *> args;
    for (std::string &word : words) {
        args.push_back(word.data());
    }
    args.push_back(nullptr);
    return execv("/proc/self/exe", args.data());
}

const char *net_status() {
    if (state == nullptr) {
        return "";
    }
    uint32_t address = state->address;
    bool set = board_network_on() ? board_network_eth0_address(&address) : state->address_set != 0;
    std::string eth0 =
        set ? "eth0 " + std::string(inet_ntoa(in_addr{address})) : std::string("eth0 unconfigured");
    std::string lease = state->lease[0] != '\0' ? std::string("lease ") + state->lease : "no lease";
    snprintf(status_line, sizeof status_line, "link %s \u00b7 %s \u00b7 %s",
             dm9000_link() ? "up" : "down", eth0.c_str(), lease.c_str());
    return status_line;
}
