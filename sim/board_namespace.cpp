#include "board_namespace.h"

#include "app_process.h"
#include "board_state.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int user_ns_fd = -1; // only when not root: the user namespace the mounts belong to
int mount_ns_fd = -1;

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
            "ipslide-sim: cannot give the application a private /tmp (%s: %s).\n"
            "ipslide-sim: run as root, or enable unprivileged user namespaces "
            "(sysctl kernel.unprivileged_userns_clone=1).\n",
            what, strerror(errno));
    _exit(2);
}

// Root gets a mount namespace; anyone else gets one inside a user namespace.
void make_private_namespace() {
    if (geteuid() == 0) {
        if (unshare(CLONE_NEWNS) != 0) {
            namespace_failure("unshare");
        }
    } else {
        uid_t uid = geteuid();
        gid_t gid = getegid();
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
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

int open_namespace(pid_t helper, const char *kind) {
    std::string path = "/proc/" + std::to_string(helper) + "/ns/" + kind;
    return board_descriptor(open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

// The helper reports the namespace made (one byte) and stays in it until the
// simulator has opened it: a namespace lives on as long as a descriptor holds it.
[[noreturn]] void run_helper(int ready, int hold) {
    make_private_namespace();
    char byte = 'n';
    if (write(ready, &byte, 1) != 1) {
        _exit(2);
    }
    while (read(hold, &byte, 1) == -1 && errno == EINTR) {
    }
    _exit(0);
}

} // namespace

void board_namespace_create() {
    int ready[2], hold[2];
    if (pipe2(ready, O_CLOEXEC) != 0 || pipe2(hold, O_CLOEXEC) != 0) {
        perror("ipslide-sim: board namespace");
        exit(2);
    }
    pid_t helper = fork();
    if (helper == 0) {
        close(ready[0]);
        close(hold[1]);
        run_helper(ready[1], hold[0]);
    }
    close(ready[1]);
    close(hold[0]);
    char byte = 0;
    bool made = helper > 0 && read(ready[0], &byte, 1) == 1;
    if (made) {
        mount_ns_fd = open_namespace(helper, "mnt");
        user_ns_fd = geteuid() == 0 ? -1 : open_namespace(helper, "user");
    }
    close(ready[0]);
    close(hold[1]);
    if (helper > 0) {
        waitpid(helper, nullptr, 0);
    }
    if (!made) {
        exit(2); // the helper said why
    }
    if (mount_ns_fd < 0 || (geteuid() != 0 && user_ns_fd < 0)) {
        perror("ipslide-sim: board namespace");
        exit(2);
    }
}

void board_namespace_enter() {
    if (user_ns_fd >= 0 && setns(user_ns_fd, CLONE_NEWUSER) != 0) {
        namespace_failure("setns user");
    }
    if (setns(mount_ns_fd, CLONE_NEWNS) != 0) {
        namespace_failure("setns mnt");
    }
    if (user_ns_fd >= 0) {
        close(user_ns_fd);
    }
    close(mount_ns_fd);
}
