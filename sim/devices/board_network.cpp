#include "devices/board_network.h"

#include "devices/board_state.h"
#include "devices/child_process.h"
#include "options.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Copied before the helper is forked; the helper and the server read them.
std::string busybox_path, ip_path;
std::string lease = "192.168.1.42";
int lease_seconds = 3600;

// The simulator's handles once the helper has made everything.
pid_t server_pid = -1;
int status_socket = -1;
ino_t namespace_inode = 0;
// The server's namespaces, held so that they outlive a server that is replaced.
int server_user_fd = -1; // only when not root
int server_net_fd = -1;
int server_mnt_fd = -1;
bool dnsmasq_serves = false; // once it has taken over from udhcpd

[[noreturn]] void build_failure(const std::string &what) {
    fprintf(stderr, "ipslide-sim: cannot make the board's network (%s: %s)\n", what.c_str(),
            strerror(errno));
    _exit(2);
}

void ip(const std::vector<std::string> &args) {
    std::vector<std::string> words = {ip_path};
    words.insert(words.end(), args.begin(), args.end());
    ChildSetup setup;
    setup.die_with_parent = false;
    if (!run_process(words, nullptr, setup)) {
        std::string line;
        for (const std::string &word : words) {
            line += (line.empty() ? "" : " ") + word;
        }
        errno = EIO;
        build_failure(line);
    }
}

std::string dotted(uint32_t host_order) {
    in_addr a;
    a.s_addr = htonl(host_order);
    return inet_ntoa(a);
}

// The server sits on .1 of the lease's /24 (on .254 when the lease is .1) and is
// the network's router and name server too, as a home router would be.
std::string server_address() {
    in_addr a{};
    inet_pton(AF_INET, lease.c_str(), &a);
    uint32_t host = ntohl(a.s_addr);
    uint32_t server = (host & 0xFFFFFF00u) | ((host & 0xFFu) == 1 ? 254 : 1);
    return dotted(server);
}

// udhcpd's files in the server's own /tmp (a tmpfs of its mount namespace); it
// starts from an empty lease file and writes its leases there every second.
bool write_server_config() {
    FILE *leases = fopen("/tmp/udhcpd.leases", "w");
    FILE *conf = fopen("/tmp/udhcpd.conf", "w");
    if (leases == nullptr || fclose(leases) != 0 || conf == nullptr) {
        return false;
    }
    std::string server = server_address();
    fprintf(conf,
            "interface dhcp0\nstart %s\nend %s\nmax_leases 1\nauto_time 1\n"
            "lease_file /tmp/udhcpd.leases\npidfile /tmp/udhcpd.pid\n"
            "option subnet 255.255.255.0\noption router %s\noption dns %s\n"
            "option domain board.lan\noption lease %d\nmin_lease %d\n",
            lease.c_str(), lease.c_str(), server.c_str(), server.c_str(), lease_seconds,
            lease_seconds);
    return fclose(conf) == 0;
}

// Waits until the helper has ended and the simulator (a subreaper) has adopted
// this process, then asks to end with the simulator: a killed simulator leaves no
// server behind.
void tie_to_simulator(pid_t helper, pid_t simulator) {
    while (getppid() == helper) {
        usleep(1000);
    }
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != simulator) {
        _exit(0);
    }
}

// The server's process: its own network and /tmp, the veth's far end configured
// once the helper has made it (a byte on `go`), then udhcpd in the foreground.
[[noreturn]] void run_server(int made, int go, pid_t simulator) {
    pid_t helper = getppid();
    if (unshare(CLONE_NEWNET | CLONE_NEWNS) != 0) {
        build_failure("unshare the server's namespace");
    }
    if (mount("none", "/tmp", "tmpfs", 0, "mode=0755") != 0) {
        build_failure("the server's /tmp");
    }
    char byte = 's';
    if (write(made, &byte, 1) != 1 || read(go, &byte, 1) != 1) {
        _exit(2); // the helper has failed and said why
    }
    close(made);
    close(go);
    std::string server = server_address();
    ip({"link", "set", "lo", "up"});
    ip({"address", "add", server + "/24", "dev", "dhcp0"});
    ip({"link", "set", "dhcp0", "up"});
    if (!write_server_config()) {
        build_failure("/tmp/udhcpd.conf");
    }
    tie_to_simulator(helper, simulator);
    // What the server says goes to the application's log, next to the client's.
    int log = board_state()->log_fd;
    if (log >= 0) {
        dup2(log, 1);
        dup2(log, 2);
    }
    // No ARP check of the offered address (-a 0): nothing else lives on this wire.
    execl(busybox_path.c_str(), "udhcpd", "-f", "-a", "0", "/tmp/udhcpd.conf",
          static_cast<char *>(nullptr));
    build_failure("exec udhcpd");
}

bool socket_address(int sock, uint32_t *address) {
    ifreq req;
    memset(&req, 0, sizeof req);
    memcpy(req.ifr_name, "eth0", sizeof "eth0");
    if (ioctl(sock, SIOCGIFADDR, &req) != 0) {
        return false;
    }
    sockaddr_in in;
    memcpy(&in, &req.ifr_addr, sizeof in);
    *address = in.sin_addr.s_addr;
    return true;
}

} // namespace

std::string find_program(const char *name) {
    std::string dirs = getenv("PATH") != nullptr ? getenv("PATH") : "";
    dirs += ":/usr/local/sbin:/usr/sbin:/sbin:/usr/bin:/bin";
    for (size_t begin = 0; begin <= dirs.size();) {
        size_t end = dirs.find(':', begin);
        end = end == std::string::npos ? dirs.size() : end;
        std::string path = dirs.substr(begin, end - begin) + "/" + name;
        if (end > begin && access(path.c_str(), X_OK) == 0) {
            return path;
        }
        begin = end + 1;
    }
    return "";
}

void board_network_prepare(const SimOptions &options) {
    busybox_path = find_program("busybox");
    ip_path = find_program("ip");
    if (busybox_path.empty() || ip_path.empty()) {
        fprintf(stderr,
                "ipslide-sim: the board's network needs busybox and ip (Debian packages busybox "
                "and iproute2; tools/setup-deps installs them)\n");
        exit(2);
    }
    lease = options.lease;
    lease_seconds = options.lease_seconds;
}

pid_t board_network_build(pid_t simulator) {
    int made[2], go[2];
    if (pipe2(made, O_CLOEXEC) != 0 || pipe2(go, O_CLOEXEC) != 0) {
        build_failure("pipe");
    }
    pid_t server = fork();
    if (server == 0) {
        close(made[0]);
        close(go[1]);
        run_server(made[1], go[0], simulator);
    }
    close(made[1]);
    close(go[0]);
    char byte = 0;
    if (server < 0 || read(made[0], &byte, 1) != 1) {
        _exit(2); // the server said why
    }
    ip({"link", "set", "lo", "up"});
    ip({"link", "add", "eth0", "type", "veth", "peer", "name", "dhcp0", "netns",
        std::to_string(server)});
    if (write(go[1], &byte, 1) != 1) {
        build_failure("starting the server");
    }
    close(made[0]);
    close(go[1]);
    return server;
}

namespace {

// In dnsmasq's process before its exec: into the server's namespaces.
void enter_server_namespaces() {
    if ((server_user_fd >= 0 && setns(server_user_fd, CLONE_NEWUSER) != 0) ||
        setns(server_net_fd, CLONE_NEWNET) != 0 || setns(server_mnt_fd, CLONE_NEWNS) != 0) {
        build_failure("setns into the server's namespaces");
    }
}

} // namespace

bool board_network_server_renumber(const std::string &address, std::string *error) {
    std::string dnsmasq = find_program("dnsmasq");
    if (dnsmasq.empty() || server_net_fd < 0 || server_mnt_fd < 0) {
        *error = dnsmasq.empty() ? "needs dnsmasq (Debian package dnsmasq-base)"
                                 : "the server's namespaces are not there";
        return false;
    }
    std::string range = "--dhcp-range=" + address + "," + address + ",255.255.255.0," +
                        std::to_string(lease_seconds);
    std::string router = "--dhcp-option=option:router," + server_address();
    kill(server_pid, SIGKILL);
    waitpid(server_pid, nullptr, 0);
    dnsmasq_serves = true;
    // Tied to the simulator, its output into the application's log.
    ChildSetup setup;
    setup.before_exec = enter_server_namespaces;
    setup.output_fd = board_state()->log_fd;
    server_pid = start_process({dnsmasq, "--no-daemon", "--conf-file=/dev/null", "--port=0",
                                "--interface=dhcp0", "--dhcp-authoritative", range, router,
                                "--dhcp-leasefile=/tmp/dnsmasq.leases",
                                "--pid-file=", "--user=root", "--group=root"},
                               setup);
    if (server_pid < 0) {
        *error = std::string("fork: ") + strerror(errno);
        return false;
    }
    return true;
}

void board_network_adopt(pid_t server, int socket, int namespace_fd) {
    server_pid = server;
    status_socket = socket;
    server_user_fd = geteuid() == 0 ? -1 : namespace_descriptor(server_pid, "user");
    server_net_fd = namespace_descriptor(server_pid, "net");
    server_mnt_fd = namespace_descriptor(server_pid, "mnt");
    struct stat info;
    namespace_inode = namespace_fd >= 0 && fstat(namespace_fd, &info) == 0 ? info.st_ino : 0;
}

ino_t board_network_namespace() {
    return namespace_inode;
}

int board_network_socket() {
    return status_socket;
}

void board_network_server_pause(bool paused) {
    if (server_pid > 0) {
        kill(server_pid, paused ? SIGSTOP : SIGCONT);
    }
}

pid_t board_network_client_pid() {
    std::ifstream in(std::string(board_state()->boot_dir) + "/udhcpc.eth0.pid");
    pid_t pid = -1;
    in >> pid;
    return in ? pid : -1;
}

bool board_network_eth0_address(uint32_t *address) {
    return status_socket >= 0 && socket_address(status_socket, address);
}

std::string board_network_lease_file() {
    return "/proc/" + std::to_string(server_pid) + "/root/tmp/" +
           (dnsmasq_serves ? "dnsmasq.leases" : "udhcpd.leases");
}

bool lease_file_lease(const std::string &path, std::string *lease) {
    std::ifstream in(path);
    lease->clear();
    if (path.ends_with("dnsmasq.leases")) { // a line a lease: expiry, MAC, address, ...
        std::string expiry, mac;
        in >> expiry >> mac >> *lease;
        return true;
    }
    // When the file was written (8 bytes), then a record a lease: seconds left
    // (0: released or expired) and the address, both in network order, then the
    // MAC, the host name and padding.
    char written[8], record[36];
    if (!in.read(written, sizeof written)) {
        return false;
    }
    for (uint32_t left, address; in.read(record, sizeof record);) {
        memcpy(&left, record, 4);
        memcpy(&address, record + 4, 4);
        *lease = left != 0 ? inet_ntoa(in_addr{address}) : *lease;
    }
    return true;
}

void board_network_cleanup() {
    if (server_pid > 0) {
        kill(server_pid, SIGKILL);
        waitpid(server_pid, nullptr, 0);
        server_pid = -1;
    }
}
