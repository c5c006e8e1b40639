#include "devices/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

pid_t start_process(const std::vector<std::string> &words, const ChildSetup &setup) {
    std::vector<char *> argv;
    for (const std::string &word : words) {
        argv.push_back(const_cast<char *>(word.c_str()));
    }
    argv.push_back(nullptr);
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    if (setup.die_with_parent) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
    }
    if (setup.before_exec) {
        setup.before_exec();
    }
    if (setup.output_fd >= 0) {
        dup2(setup.output_fd, 1);
        dup2(setup.output_fd, 2);
    }
    execvp(argv[0], argv.data());
    _exit(127);
}

int reap_process(pid_t pid, bool block) {
    if (pid <= 0) {
        return -1; // never "any child": a failed start has nothing to reap
    }
    int status = 0;
    pid_t got;
    while ((got = waitpid(pid, &status, block ? 0 : WNOHANG)) == -1 && errno == EINTR) {
    }
    return got == pid ? status : -1;
}

bool run_process(const std::vector<std::string> &words, std::string *why, const ChildSetup &setup) {
    pid_t pid = start_process(words, setup);
    if (pid < 0) {
        if (why != nullptr) {
            *why = std::string("fork: ") + strerror(errno);
        }
        return false;
    }
    int status = reap_process(pid, true);
    bool ok = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!ok && why != nullptr) {
        *why = words[0] + " " + describe_wait_status(status);
    }
    return ok;
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

int board_descriptor(int fd) {
    if (fd < 0) {
        return -1;
    }
    int high = fcntl(fd, F_DUPFD_CLOEXEC, BOARD_FD_BASE);
    close(fd);
    return high;
}

int namespace_descriptor(pid_t pid, const char *kind) {
    std::string path = "/proc/" + std::to_string(pid) + "/ns/" + kind;
    return board_descriptor(open(path.c_str(), O_RDONLY | O_CLOEXEC));
}
