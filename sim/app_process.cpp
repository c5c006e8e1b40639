#include "app_process.h"

#include "app/main_loop.h"
#include "board_state.h"
#include "sim_platform.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void copy_path(char (&dst)[512], const std::string &src) {
    snprintf(dst, sizeof dst, "%s", src.c_str());
}

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
void enter_private_namespace() {
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

} // namespace

void boot_prepare(const SimOptions &options) {
    std::filesystem::create_directories(options.out_dir);
    std::string log = std::filesystem::absolute(options.out_dir + "/app.log").string();
    // Opened here, outside the application's namespace, where the path means what the
    // user meant; the application's processes inherit the descriptor.
    board_state()->log_fd = board_descriptor(
        open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644));
    copy_path(board_state()->log_path, log);
    char pattern[] = "/tmp/ipslide-board.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        perror("ipslide-sim: board /tmp");
        exit(2);
    }
    copy_path(board_state()->boot_dir, pattern);
}

void boot_cleanup() {
    std::error_code ignored;
    std::filesystem::remove_all(board_state()->boot_dir, ignored);
}

int board_descriptor(int fd) {
    if (fd < 0) {
        return -1;
    }
    int high = fcntl(fd, F_DUPFD_CLOEXEC, BOARD_FD_BASE);
    close(fd);
    return high;
}

pid_t app_launch() {
    pid_t pid = fork();
    if (pid != 0) {
        if (pid > 0) {
            setpgid(pid, pid);
        }
        return pid;
    }
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    close_range(3, BOARD_FD_BASE - 1, 0);
    board_state()->app_pid = getpid();
    enter_private_namespace();
    platform = sim_platform();
    app_main();
}

int app_poll(pid_t pid) {
    int status = 0;
    pid_t done = waitpid(pid, &status, WNOHANG);
    return done == pid ? status : -1;
}

int app_stop(pid_t pid) {
    kill(-pid, SIGKILL);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) {
        status = -1;
    }
    // Reap whatever else of the group ended up as our child.
    while (waitpid(-pid, nullptr, WNOHANG) > 0) {
    }
    return status;
}

std::string describe_wait_status(int status) {
    if (WIFEXITED(status)) {
        return "exited with status " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return std::string("ended by signal ") + strsignal(WTERMSIG(status));
    }
    return "ended";
}
