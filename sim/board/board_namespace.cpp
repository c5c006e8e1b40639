#include "board/board_namespace.h"

#include "devices/board_network.h"
#include "devices/board_state.h"
#include "devices/child_process.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int user_ns_fd = -1; // only when not root: the user namespace the mounts belong to
int mount_ns_fd = -1;
int net_ns_fd = -1; // the board's own network

// What the helper reports once the namespaces are made: the DHCP server's process
// (with the board's network), and a socket in the board's network passed along.
struct HelperReport {
    pid_t server = -1;
};

bool write_file(const char *path, const char *text) {
    int fd = open(path, O_WRONLY);
    if (fd < 0) {
        return false;
    }
    bool ok = write(fd, text, strlen(text)) == static_cast<ssize_t>(strlen(text));
    close(fd);
    return ok;
}

[[noreturn]] void namespace_failure(const char *what) {
    fprintf(stderr,
            "ipslide-sim: cannot give the application a private /tmp and network (%s: %s).\n"
            "ipslide-sim: run as root, or enable unprivileged user namespaces "
            "(sysctl kernel.unprivileged_userns_clone=1).\n",
            what, strerror(errno));
    _exit(2);
}

// Root gets a mount namespace and a network one for the real DHCP client; anyone
// else gets them inside a user namespace.
void make_private_namespace() {
    int kinds = CLONE_NEWNS | CLONE_NEWNET;
    if (geteuid() == 0) {
        if (unshare(kinds) != 0) {
            namespace_failure("unshare");
        }
    } else {
        uid_t uid = geteuid();
        gid_t gid = getegid();
        if (unshare(CLONE_NEWUSER | kinds) != 0) {
            namespace_failure("unshare");
        }
        char map[64];
        write_file("/proc/self/setgroups", "deny");
        snprintf(map, sizeof map, "0 %u 1", uid);
        if (!write_file("/proc/self/uid_map", map)) {
            namespace_failure("uid_map");
        }
        snprintf(map, sizeof map, "0 %u 1", gid);
        if (!write_file("/proc/self/gid_map", map)) {
            namespace_failure("gid_map");
        }
    }
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        namespace_failure("private mounts");
    }
    if (mount(board_state()->boot_dir, "/tmp", nullptr, MS_BIND, nullptr) != 0) {
        namespace_failure("bind /tmp");
    }
}

// The report, with the socket as ancillary data when there is one.
bool send_report(int channel, const HelperReport &report, int sock) {
    iovec data = {const_cast<HelperReport *>(&report), sizeof report};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message = {};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    if (sock >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr *header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        memcpy(CMSG_DATA(header), &sock, sizeof sock);
    }
    return sendmsg(channel, &message, 0) == static_cast<ssize_t>(sizeof report);
}

bool receive_report(int channel, HelperReport *report, int *sock) {
    iovec data = {report, sizeof *report};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message = {};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    if (recvmsg(channel, &message, MSG_CMSG_CLOEXEC) != static_cast<ssize_t>(sizeof *report)) {
        return false;
    }
    cmsghdr *header = CMSG_FIRSTHDR(&message);
    *sock = -1;
    if (header != nullptr && header->cmsg_type == SCM_RIGHTS) {
        memcpy(sock, CMSG_DATA(header), sizeof *sock);
    }
    return true;
}

// The helper reports the namespaces made and stays in them until the simulator
// has opened them: a namespace lives on as long as a descriptor holds it.
[[noreturn]] void run_helper(int ready, int hold, pid_t simulator) {
    make_private_namespace();
    HelperReport report;
    report.server = board_network_build(simulator);
    int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        namespace_failure("socket");
    }
    if (!send_report(ready, report, sock)) {
        _exit(2);
    }
    char byte = 0;
    while (read(hold, &byte, 1) == -1 && errno == EINTR) {
    }
    _exit(0);
}

} // namespace

void board_namespace_create() {
    int ready[2], hold[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ready) != 0 ||
        pipe2(hold, O_CLOEXEC) != 0) {
        perror("ipslide-sim: board namespace");
        exit(2);
    }
    pid_t simulator = getpid();
    pid_t helper = fork();
    if (helper == 0) {
        close(ready[0]);
        close(hold[1]);
        run_helper(ready[1], hold[0], simulator);
    }
    close(ready[1]);
    close(hold[0]);
    HelperReport report;
    int sock = -1;
    bool made = helper > 0 && receive_report(ready[0], &report, &sock);
    if (made) {
        mount_ns_fd = namespace_descriptor(helper, "mnt");
        user_ns_fd = geteuid() == 0 ? -1 : namespace_descriptor(helper, "user");
        net_ns_fd = namespace_descriptor(helper, "net");
        board_network_adopt(report.server, board_descriptor(sock), net_ns_fd);
    }
    close(ready[0]);
    close(hold[1]);
    if (helper > 0) {
        waitpid(helper, nullptr, 0);
    }
    if (!made) {
        exit(2); // the helper said why
    }
    if (mount_ns_fd < 0 || (geteuid() != 0 && user_ns_fd < 0) || net_ns_fd < 0 ||
        board_network_socket() < 0) {
        perror("ipslide-sim: board namespace");
        exit(2);
    }
}

void board_namespace_enter_network() {
    if (user_ns_fd >= 0 && setns(user_ns_fd, CLONE_NEWUSER) != 0) {
        namespace_failure("setns user");
    }
    if (net_ns_fd < 0 || setns(net_ns_fd, CLONE_NEWNET) != 0) {
        namespace_failure("setns net");
    }
}

void board_namespace_enter() {
    if (user_ns_fd >= 0 && setns(user_ns_fd, CLONE_NEWUSER) != 0) {
        namespace_failure("setns user");
    }
    if (net_ns_fd >= 0 && setns(net_ns_fd, CLONE_NEWNET) != 0) {
        namespace_failure("setns net");
    }
    if (setns(mount_ns_fd, CLONE_NEWNS) != 0) {
        namespace_failure("setns mnt");
    }
    if (user_ns_fd >= 0) {
        close(user_ns_fd);
    }
    if (net_ns_fd >= 0) {
        close(net_ns_fd);
        close(board_network_socket());
    }
    close(mount_ns_fd);
}
