// The network side of the simulated board: the exec of "/sbin/udhcpc" becomes the
// real BusyBox client on the board's own network (board_network.h); the line about
// the network in the window title and the reports of the lease and of its reading.
#include "devices/dhcp_client.h"
#include "devices/board_clock.h"
#include "devices/board_network.h"
#include "devices/board_state.h"
#include "devices/dm9000.h"
#include "options.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// The lease the client holds, as last reported to the person watching.
char lease_said[16];
// The shipped script, opened before the fork: inside the application's namespace
// /tmp is the board's, so a source tree under the host's /tmp cannot be reached by
// its path. The descriptor stays open across the execs down to the shell.
int script_fd = -1;
constexpr int SCRIPT_FD_BASE = 150;
char status_line[160];

const char *const EXPECTED_ARGV[] = {
    "/sbin/udhcpc",         "-f",    "-i", "eth0", "-s", "/etc/udhcpc.conf", "-p",
    "/tmp/udhcpc.eth0.pid", nullptr,
};
// In the board's /tmp: ifconfig and route as BusyBox's applets, for the script.
constexpr char APPLET_DIR[] = "/tmp/.busybox-bin";

int fail(int error) {
    errno = error;
    return -1;
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

// Tells the person running the simulator when the client obtains or loses a
// lease and when the application's main process reads the address. Touches only
// its own copies and the shared state, so it may outlive everything else at exit.
void watch_network() {
    uint64_t started = monotonic_us();
    int32_t said_reader = 0;
    for (;; std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        std::string lease;
        if (lease_file_lease(board_network_lease_file(), &lease) && lease != lease_said) {
            snprintf(lease_said, sizeof lease_said, "%s", lease.c_str());
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
    std::string script = options.source_dir + "/deploy/udhcpc.conf";
    int fd = open(script.c_str(), O_RDONLY);
    if (fd < 0) {
        fprintf(stderr, "ipslide-sim: no DHCP script %s: %s\n", script.c_str(), strerror(errno));
        exit(2);
    }
    script_fd = fcntl(fd, F_DUPFD, SCRIPT_FD_BASE);
    close(fd);
    std::thread(watch_network).detach();
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
    return exec_busybox_client(argv);
}

const char *net_status() {
    uint32_t address = 0;
    bool set = board_network_eth0_address(&address);
    std::string eth0 =
        set ? "eth0 " + std::string(inet_ntoa(in_addr{address})) : std::string("eth0 unconfigured");
    std::string lease = lease_said[0] != '\0' ? std::string("lease ") + lease_said : "no lease";
    snprintf(status_line, sizeof status_line, "link %s \u00b7 %s \u00b7 %s",
             dm9000_link() ? "up" : "down", eth0.c_str(), lease.c_str());
    return status_line;
}
