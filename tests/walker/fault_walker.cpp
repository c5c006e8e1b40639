#include "fault_walker.h"

#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <type_traits>
#include <unistd.h>

namespace {

// The entries that fail, each with the errno of its commonest real failure on the
// board: a missing node or folder, an unreadable stick, a full descriptor table.
#define FAILING_ENTRIES(X)                                                                         \
    X(open, ENOENT)                                                                                \
    X(read, EIO)                                                                                   \
    X(write, EIO)                                                                                  \
    X(close, EIO)                                                                                  \
    X(dup2, EBADF)                                                                                 \
    X(fcntl, EINVAL)                                                                               \
    X(pipe, EMFILE)                                                                                \
    X(fork, EAGAIN)                                                                                \
    X(execv, ENOENT)                                                                               \
    X(select, EINTR)                                                                               \
    X(ioctl, EINVAL)                                                                               \
    X(mmap, ENOMEM)                                                                                \
    X(munmap, EINVAL)                                                                              \
    X(mlockall, ENOMEM)                                                                            \
    X(munlockall, EPERM)                                                                           \
    X(mount, ENOENT)                                                                               \
    X(mkdir, EACCES)                                                                               \
    X(mknod, EPERM)                                                                                \
    X(opendir, ENOENT)                                                                             \
    X(readdir, EIO)                                                                                \
    X(closedir, EBADF)                                                                             \
    X(socket, EMFILE)                                                                              \
    X(clock_gettime, EINVAL)                                                                       \
    X(gettimeofday, EFAULT)                                                                        \
    X(usleep, EINTR)                                                                               \
    X(stat, ENOENT)                                                                                \
    X(unlink, EACCES)                                                                              \
    X(prctl, EINVAL)

enum Entry {
#define AS_ENUM(name, error) ENTRY_##name,
    FAILING_ENTRIES(AS_ENUM)
#undef AS_ENUM
};

struct Fault {
    const char *entry;
    int error;
    const char *error_name;
};

const Fault FAULTS[] = {
#define AS_FAULT(name, error) {#name, error, #error},
    FAILING_ENTRIES(AS_FAULT)
#undef AS_FAULT
};

// Shared between the run and the walker: how many calls the run made, and which
// entry the failed one went to (-1 while none has failed).
struct Probe {
    int calls;
    int failed;
};

Probe *probe;
int fail_at;
Platform board; // the test board the counted entries forward to

bool fault_due(Entry entry) {
    if (++probe->calls != fail_at) {
        return false;
    }
    probe->failed = entry;
    errno = FAULTS[entry].error;
    return true;
}

template <typename R> R failure_value(Entry entry) {
    if constexpr (std::is_pointer_v<R>) {
        if (entry == ENTRY_mmap) {
            return static_cast<R>(MAP_FAILED);
        }
        return nullptr;
    } else {
        return R(-1);
    }
}

template <auto Member, Entry E> struct Counted;
template <typename R, typename... Args, R (*Platform::*Member)(Args...), Entry E>
struct Counted<Member, E> {
    static R call(Args... args) {
        if (fault_due(E)) {
            return failure_value<R>(E);
        }
        return (board.*Member)(args...);
    }
};

Platform counted_table() {
    Platform table = board;
#define AS_COUNTED(name, error) table.name = Counted<&Platform::name, ENTRY_##name>::call;
    FAILING_ENTRIES(AS_COUNTED)
#undef AS_COUNTED
    return table;
}

// A run that a failure sends into an endless loop ends here instead of hanging
// the test; it shows in its line as "signal ALRM".
constexpr unsigned HANG_GUARD_S = 60;

[[noreturn]] void run_child(const WalkPath &path, int n, int error_fd) {
    int null_fd = open("/dev/null", O_WRONLY);
    dup2(null_fd, STDOUT_FILENO);
    dup2(error_fd, STDERR_FILENO);
    close(null_fd);
    close(error_fd);
    alarm(HANG_GUARD_S);
    path.arrange();
    board = platform;
    platform = counted_table();
    fail_at = n;
    path.run();
    _exit(0);
}

std::string read_all(int fd) {
    std::string text;
    char chunk[512];
    ssize_t got;
    while ((got = read(fd, chunk, sizeof chunk)) > 0 || (got == -1 && errno == EINTR)) {
        text.append(chunk, got > 0 ? static_cast<size_t>(got) : 0);
    }
    return text;
}

bool starts_with(const std::string &line, const char *prefix) {
    return prefix != nullptr && line.compare(0, strlen(prefix), prefix) == 0;
}

// Routine lines in a row become one "[<count> lines <prefix>...]".
std::string quoted(const std::string &text, const char *routine_prefix) {
    std::string out = "\"";
    int routine = 0;
    auto end_routine = [&] {
        if (routine > 0) {
            out += "[" + std::to_string(routine) + " lines " + routine_prefix + "...]";
        }
        routine = 0;
    };
    for (size_t start = 0, end; start < text.size(); start = end) {
        end = std::min(text.find('\n', start), text.size() - 1) + 1;
        std::string line = text.substr(start, end - start);
        if (starts_with(line, routine_prefix)) {
            ++routine;
            continue;
        }
        end_routine();
        out += line.back() == '\n' ? line.substr(0, line.size() - 1) + "\\n" : line;
    }
    end_routine();
    return out + "\"";
}

std::string outcome(int status) {
    if (WIFEXITED(status)) {
        return "exit " + std::to_string(WEXITSTATUS(status));
    }
    const char *name = WIFSIGNALED(status) ? sigabbrev_np(WTERMSIG(status)) : nullptr;
    return std::string("signal ") + (name != nullptr ? name : "?");
}

// One run with call n failing; the line it makes, and whether a call did fail.
std::string run_once(const WalkPath &path, int n, bool *failed) {
    int error_pipe[2];
    if (pipe(error_pipe) != 0) {
        return "walker: pipe failed";
    }
    *probe = {0, -1};
    fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        close(error_pipe[0]);
        run_child(path, n, error_pipe[1]);
    }
    close(error_pipe[1]);
    std::string error_text = read_all(error_pipe[0]);
    close(error_pipe[0]);
    int status = 0;
    if (child == -1 || waitpid(child, &status, 0) != child) {
        return "walker: fork or wait failed";
    }
    *failed = probe->failed != -1;
    std::string call = std::to_string(n) + " ";
    call += *failed
                ? std::string(FAULTS[probe->failed].entry) + " " + FAULTS[probe->failed].error_name
                : "none";
    return call + " -> " + outcome(status) + ", " + quoted(error_text, path.routine_prefix);
}

// A path that never runs out of calls is a fault of its own; the walk stops here.
constexpr int MOST_CALLS = 1000;

} // namespace

std::vector<std::string> walk(const WalkPath &path) {
    void *shared =
        mmap(nullptr, sizeof(Probe), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
        return {"walker: mmap failed"};
    }
    probe = static_cast<Probe *>(shared);
    std::vector<std::string> lines;
    bool failed = true;
    for (int n = 1; failed && n <= MOST_CALLS; ++n) {
        failed = false;
        lines.push_back(run_once(path, n, &failed));
    }
    if (failed) {
        lines.push_back("walker: still failing calls after " + std::to_string(MOST_CALLS));
    }
    munmap(shared, sizeof(Probe));
    return lines;
}
