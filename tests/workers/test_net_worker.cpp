// The network worker: the start-up redirection and the address pipe, the link
// poll on the controller's ports, the interface requests, the exec of the DHCP
// client, every failure's message and status, and the single read of the address.
#include "font/glyph_atlas.h"
#include "font/text_metrics.h"
#include "support/perror_text.h"
#include "support/platform_guard.h"
#include "workers/net_bringup.h"
#include "workers/net_worker.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/close_range.h>
#include <net/if.h>
#include <netinet/in.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// What the fakes saw, in order.
std::vector<std::string> journal;

std::string hex(unsigned long value) {
    char text[32];
    snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

// --- net_worker_start and the address pipe -------------------------------------

int address_pipe[2];
int keep_stdio_close(int fd) {
    journal.push_back("close " + std::to_string(fd));
    return fd <= 2 ? 0 : board_platform().close(fd);
}
int record_open(const char *path, int flags, mode_t) {
    journal.push_back(std::string("open ") + path + " " + hex(static_cast<unsigned>(flags)));
    return 100;
}
int record_pipe(int fds[2]) {
    journal.push_back("pipe");
    int result = board_platform().pipe(fds);
    address_pipe[0] = fds[0];
    address_pipe[1] = fds[1];
    return result;
}
pid_t parent_side() {
    journal.push_back("fork");
    return 777;
}

// The main process's part, without touching the test's own standard descriptors.
class AddressPipe : public testing::Test {
  protected:
    void SetUp() override {
        journal.clear();
        platform.close = keep_stdio_close;
        platform.open = record_open;
        platform.pipe = record_pipe;
        platform.fork = parent_side;
        ASSERT_EQ(net_worker_start(), 777);
        // Every glyph 3 wide: the measured width counts the characters received.
        for (int32_t &w : glyph_widths) {
            w = 3;
        }
        glyph_height = 41;
        text_width = text_height = -1;
        journal.clear();
    }
    void TearDown() override {
        if (address_pipe_fd() != -1) {
            close(address_pipe[0]);
            close(address_pipe[1]);
        }
    }
    void script_writes(const std::string &text) {
        ASSERT_EQ(write(address_pipe[1], text.data(), text.size()),
                  static_cast<ssize_t>(text.size()));
    }

    PlatformGuard guard;
};

TEST_F(AddressPipe, StartUpPointsStdioAtDevNullBeforeThePipeAndTheFork) {
    journal.clear();
    ASSERT_EQ(net_worker_start(), 777);
    std::vector<std::string> expected = {
        "close 0",
        "close 1",
        "close 2",
        "open /dev/null " + hex(O_RDONLY),
        "open /dev/null " + hex(O_WRONLY),
        "open /dev/null " + hex(O_WRONLY),
        "pipe",
        "fork",
    };
    EXPECT_EQ(journal, expected);
    EXPECT_EQ(address_pipe_fd(), address_pipe[0]);
}

TEST_F(AddressPipe, AFifteenCharacterAddressIsTakenWholeAndTheSixteenthDropped) {
    script_writes("192.168.100.2001");
    EXPECT_EQ(address_receive(), 1);
    EXPECT_STREQ(address_text(), "192.168.100.200");
    EXPECT_EQ(text_width, 15 * 3);
    EXPECT_EQ(text_height, 41);
    EXPECT_EQ(address_pipe_fd(), -1);
    std::vector<std::string> closes = {"close " + std::to_string(address_pipe[0]),
                                       "close " + std::to_string(address_pipe[1])};
    EXPECT_EQ(journal, closes);
}

TEST_F(AddressPipe, TheTextIsTakenAsWrittenLineEndIncluded) {
    script_writes("10.0.0.7\n");
    EXPECT_EQ(address_receive(), 1);
    EXPECT_STREQ(address_text(), "10.0.0.7\n");
    EXPECT_EQ(text_width, 9 * 3);
}

int reads;
ssize_t count_reads(int fd, void *buf, size_t n) {
    ++reads;
    EXPECT_EQ(n, 15u);
    return board_platform().read(fd, buf, n);
}

TEST_F(AddressPipe, OneReadOnlyAndASecondCallChangesNothing) {
    platform.read = count_reads;
    reads = 0;
    // The DHCP script's copy of the write end, the touch reader's of the read end.
    int script_end = dup(address_pipe[1]);
    int reader_copy = dup(address_pipe[0]);
    script_writes("10.1.2.3");
    EXPECT_EQ(address_receive(), 1);
    EXPECT_EQ(write(script_end, "4", 1), 1); // a late write is never looked at
    EXPECT_EQ(address_receive(), 0);
    close(script_end);
    close(reader_copy);
    EXPECT_EQ(reads, 1);
    EXPECT_STREQ(address_text(), "10.1.2.3");
    EXPECT_EQ(address_pipe_fd(), -1);
    EXPECT_EQ(journal.size(), 2u); // the two closes of the first call
}

ssize_t failing_read(int, void *, size_t) {
    errno = EIO;
    return -1;
}

TEST_F(AddressPipe, AFailedReadLeavesTheTextEmptyButClosesThePipe) {
    platform.read = failing_read;
    EXPECT_EQ(address_receive(), 1);
    EXPECT_STREQ(address_text(), "");
    EXPECT_EQ(text_width, 0);
    EXPECT_EQ(address_pipe_fd(), -1);
    EXPECT_EQ(journal.size(), 2u);
}

// Started with only 0, 1 and 2 open, the pipe is 3 (read) and 4 (write), and the
// standard descriptors are /dev/null, read-only then write-only twice. Runs in a
// child of its own; each failed check exits with its own status.
int check_numbering() {
    close_range(3, ~0U, 0);
    platform = board_platform();
    platform.fork = parent_side;
    net_worker_start();
    struct stat null_dev, fd_dev;
    stat("/dev/null", &null_dev);
    for (int fd = 0; fd <= 2; ++fd) {
        if (fstat(fd, &fd_dev) != 0 || fd_dev.st_rdev != null_dev.st_rdev) {
            return 10 + fd;
        }
        int mode = fcntl(fd, F_GETFL) & O_ACCMODE;
        if (mode != (fd == 0 ? O_RDONLY : O_WRONLY)) {
            return 20 + fd;
        }
    }
    if (address_pipe_fd() != 3) {
        return 30;
    }
    char byte = 0;
    if (write(4, "x", 1) != 1 || read(3, &byte, 1) != 1 || byte != 'x') {
        return 31;
    }
    return 0;
}

TEST(AddressPipeDeathTest, StartedWithOnlyStdioOpenThePipeIsThreeAndFour) {
    EXPECT_EXIT(_exit(check_numbering()), testing::ExitedWithCode(0), "");
}

// --- the worker: link poll, interface requests, exec --------------------------

uint8_t ports[8];
std::vector<uint8_t> status_reads;

void record_write8(volatile uint8_t *reg, uint8_t value) {
    journal.push_back("w" + std::to_string(reg - ports) + "=" + std::to_string(value));
}
uint8_t scripted_read8(volatile uint8_t *reg) {
    journal.push_back("r" + std::to_string(reg - ports));
    uint8_t value = status_reads.empty() ? 0x40 : status_reads.front();
    if (!status_reads.empty()) {
        status_reads.erase(status_reads.begin());
    }
    return value;
}

TEST(LinkWait, SelectsTheStatusRegisterAndReadsTheDataPortOnEveryPoll) {
    PlatformGuard guard;
    platform.reg_write8 = record_write8;
    platform.reg_read8 = scripted_read8;
    journal.clear();
    status_reads = {0x00, 0xBF, 0x01, 0x40};
    link_wait(ports);
    std::vector<std::string> four_polls;
    for (int i = 0; i < 4; ++i) {
        four_polls.insert(four_polls.end(), {"w0=1", "r4"});
    }
    EXPECT_EQ(journal, four_polls);

    journal.clear();
    status_reads = {0xFF};
    link_wait(ports);
    EXPECT_EQ(journal, (std::vector<std::string>{"w0=1", "r4"}));
}

// The interface as the fakes keep it: flags read, flags written, address set.
short eth0_flags;
std::vector<ifreq> requests;
int failing_ioctl_at; // 1-based; 0: none fails

int fake_socket(int domain, int type, int protocol) {
    journal.push_back("socket " + std::to_string(domain) + " " + std::to_string(type) + " " +
                      std::to_string(protocol));
    return domain == AF_INET && type == SOCK_DGRAM && protocol == 0 ? 66 : -1;
}
int fake_ioctl(int fd, unsigned long request, void *arg) {
    ifreq *req = static_cast<ifreq *>(arg);
    requests.push_back(*req);
    const char *name = request == SIOCGIFFLAGS   ? "SIOCGIFFLAGS"
                       : request == SIOCSIFFLAGS ? "SIOCSIFFLAGS"
                       : request == SIOCSIFADDR  ? "SIOCSIFADDR"
                                                 : "other";
    journal.push_back(std::string("ioctl ") + std::to_string(fd) + " " + name);
    if (static_cast<int>(requests.size()) == failing_ioctl_at) {
        errno = ENODEV;
        return -1;
    }
    if (request == SIOCGIFFLAGS) {
        req->ifr_flags = eth0_flags;
    }
    return 0;
}
int record_close(int fd) {
    journal.push_back("close " + std::to_string(fd));
    return 0;
}

TEST(InterfaceConfigure, SetsTheFlagsOnTopOfTheReadOnesThenTheFixedAddress) {
    PlatformGuard guard;
    platform.socket = fake_socket;
    platform.ioctl = fake_ioctl;
    platform.close = record_close;
    journal.clear();
    requests.clear();
    failing_ioctl_at = 0;
    eth0_flags = IFF_NOARP | IFF_PROMISC; // 0x180, kept
    interface_configure();
    EXPECT_EQ(journal, (std::vector<std::string>{"socket 2 2 0", "ioctl 66 SIOCGIFFLAGS",
                                                 "ioctl 66 SIOCSIFFLAGS", "ioctl 66 SIOCSIFADDR",
                                                 "close 66"}));
    ASSERT_EQ(requests.size(), 3u);
    for (const ifreq &req : requests) {
        EXPECT_STREQ(req.ifr_name, "eth0");
    }
    EXPECT_EQ(static_cast<uint16_t>(requests[1].ifr_flags), 0x1043 | 0x180);
    sockaddr_in address;
    memcpy(&address, &requests[2].ifr_addr, sizeof address);
    EXPECT_EQ(address.sin_family, AF_INET);
    char text[INET_ADDRSTRLEN];
    EXPECT_STREQ(inet_ntop(AF_INET, &address.sin_addr, text, sizeof text), "192.168.1.230");
}

// The whole worker in a child: its calls go into the journal, which the fake exec
// sends back through a pipe before it fails, as an exec that returns would.
int fake_mem_fd = 55;
bool fail_mem_open, fail_map;
int journal_pipe[2];

int fake_open(const char *path, int flags, mode_t) {
    journal.push_back(std::string("open ") + path + " " + hex(static_cast<unsigned>(flags)));
    errno = fail_mem_open ? EACCES : EINVAL;
    bool right = strcmp(path, "/dev/mem") == 0 && flags == 0x1002;
    return right && !fail_mem_open ? fake_mem_fd : -1;
}
void *fake_mmap(void *addr, size_t length, int prot, int flags, int fd, off_t offset) {
    journal.push_back("mmap " + std::to_string(length) + " " + hex(static_cast<unsigned>(offset)));
    bool right = addr == nullptr && length == 1024 && prot == (PROT_READ | PROT_WRITE) &&
                 flags == MAP_SHARED && fd == fake_mem_fd && offset == 0x20000000;
    errno = fail_map ? ENOMEM : EINVAL;
    return right && !fail_map ? ports : MAP_FAILED;
}
int fake_execv(const char *path, char *const argv[]) {
    std::string line = std::string("execv ") + path + " [";
    for (size_t i = 0; argv[i] != nullptr; ++i) {
        line += std::string(i ? " " : "") + argv[i];
    }
    journal.push_back(line + "]");
    for (const std::string &entry : journal) {
        std::string text = entry + "\n";
        EXPECT_EQ(write(journal_pipe[1], text.data(), text.size()),
                  static_cast<ssize_t>(text.size()));
    }
    errno = ENOEXEC;
    return -1;
}

class NetWorkerDeathTest : public testing::Test {
  protected:
    void SetUp() override {
        platform.open = fake_open;
        platform.mmap = fake_mmap;
        platform.reg_write8 = record_write8;
        platform.reg_read8 = scripted_read8;
        platform.socket = fake_socket;
        platform.ioctl = fake_ioctl;
        platform.close = record_close;
        platform.execv = fake_execv;
        fail_mem_open = fail_map = false;
        failing_ioctl_at = 0;
        eth0_flags = 0;
        status_reads.clear();
        requests.clear();
        journal.clear();
    }
    PlatformGuard guard;
};

TEST_F(NetWorkerDeathTest, WaitsForTheLinkConfiguresEth0ThenExecsTheDhcpClient) {
    ASSERT_EQ(pipe(journal_pipe), 0);
    status_reads = {0x00, 0x40};
    EXPECT_EXIT(net_worker_run(), testing::ExitedWithCode(1), perror_pattern("execl", ENOEXEC));
    close(journal_pipe[1]);
    std::string seen;
    char chunk[512];
    for (ssize_t n; (n = read(journal_pipe[0], chunk, sizeof chunk)) > 0;) {
        seen.append(chunk, static_cast<size_t>(n));
    }
    close(journal_pipe[0]);
    EXPECT_EQ(seen, "open /dev/mem 0x1002\n"
                    "mmap 1024 0x20000000\n"
                    "w0=1\nr4\nw0=1\nr4\n"
                    "socket 2 2 0\n"
                    "ioctl 66 SIOCGIFFLAGS\nioctl 66 SIOCSIFFLAGS\nioctl 66 SIOCSIFADDR\n"
                    "close 66\n"
                    "execv /sbin/udhcpc [/sbin/udhcpc -f -i eth0 -s /etc/udhcpc.conf -p "
                    "/tmp/udhcpc.eth0.pid]\n");
}

// The worker's side of net_worker_start, up to the exec: what the client inherits
// of the address pipe is the write end alone, on the hand-over descriptor, and
// non-blocking. Each failed check exits with its own status.
pid_t child_side() {
    return 0;
}
pid_t tied_to_self() {
    return getpid();
}
int open_in_child(const char *path, int flags, mode_t mode) {
    return strcmp(path, "/dev/null") == 0 ? 100 : fake_open(path, flags, mode);
}
int check_handover(const char *, char *const[]) {
    int flags = fcntl(ADDRESS_HANDOVER_FD, F_GETFL);
    struct stat info;
    if (flags == -1 || fstat(ADDRESS_HANDOVER_FD, &info) != 0 || !S_ISFIFO(info.st_mode)) {
        _exit(40);
    }
    if ((flags & O_ACCMODE) != O_WRONLY || (flags & O_NONBLOCK) == 0) {
        _exit(41);
    }
    if (fcntl(address_pipe[0], F_GETFD) != -1 || fcntl(address_pipe[1], F_GETFD) != -1) {
        _exit(42);
    }
    _exit(0);
}

TEST_F(NetWorkerDeathTest, TheClientInheritsOnlyTheNonBlockingWriteEndOnTheHandOverDescriptor) {
    platform.close = keep_stdio_close;
    platform.open = open_in_child;
    platform.pipe = record_pipe;
    platform.fork = child_side;
    platform.getppid = tied_to_self;
    platform.execv = check_handover;
    status_reads = {0x40};
    EXPECT_EXIT(net_worker_start(), testing::ExitedWithCode(0), "");
}

} // namespace
