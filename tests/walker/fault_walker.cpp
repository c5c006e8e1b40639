#include "fault_walker.h"

#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <string_view>
#include <sys/mman.h>
#include <sys/wait.h>
#include <type_traits>
#include <unistd.h>

namespace {

// What each entry of the table does in a walk: fails with the errno of its
// commonest real failure on the board (a missing node or folder, an unreadable
// stick, a full descriptor table, a mount still busy), or never fails, and why.
#define WALK_RULES(FAILS, NEVER)                                                                   \
    FAILS(open, ENOENT)                                                                            \
    FAILS(read, EIO)                                                                               \
    FAILS(write, EIO)                                                                              \
    FAILS(close, EIO)                                                                              \
    FAILS(dup2, EBADF)                                                                             \
    FAILS(fcntl, EINVAL)                                                                           \
    FAILS(pipe, EMFILE)                                                                            \
    FAILS(fork, EAGAIN)                                                                            \
    FAILS(execv, ENOENT)                                                                           \
    FAILS(select, EINTR)                                                                           \
    FAILS(ioctl, EINVAL)                                                                           \
    FAILS(mmap, ENOMEM)                                                                            \
    FAILS(munmap, EINVAL)                                                                          \
    FAILS(mlockall, ENOMEM)                                                                        \
    FAILS(munlockall, EPERM)                                                                       \
    FAILS(mount, ENOENT)                                                                           \
    FAILS(mkdir, EACCES)                                                                           \
    FAILS(rmdir, EBUSY)                                                                            \
    FAILS(umount2, EBUSY)                                                                          \
    FAILS(waitpid, ECHILD)                                                                         \
    FAILS(mknod, EPERM)                                                                            \
    FAILS(opendir, ENOENT)                                                                         \
    FAILS(readdir, EIO)                                                                            \
    FAILS(closedir, EBADF)                                                                         \
    FAILS(socket, EMFILE)                                                                          \
    FAILS(clock_gettime, EINVAL)                                                                   \
    FAILS(gettimeofday, EFAULT)                                                                    \
    FAILS(usleep, EINTR)                                                                           \
    FAILS(stat, ENOENT)                                                                            \
    FAILS(unlink, EACCES)                                                                          \
    FAILS(prctl, EINVAL)                                                                           \
    NEVER(getpid, "cannot fail")                                                                   \
    NEVER(getppid, "cannot fail")                                                                  \
    NEVER(_exit, "cannot return")                                                                  \
    NEVER(moment, "does nothing on the board")                                                     \
    NEVER(reg_read8, "a load does not fail")                                                       \
    NEVER(reg_write8, "a store does not fail")                                                     \
    NEVER(reg_read32, "a load does not fail")                                                      \
    NEVER(reg_write32, "a store does not fail")

constexpr int NEVER_FAILS = 0;

struct Rule {
    std::string_view entry;
    int error; // NEVER_FAILS: passed straight to the board
    const char *error_name;
};

constexpr Rule RULES[] = {
#define AS_FAILING(name, error) {#name, error, #error},
#define AS_NEVER(name, why) {#name, NEVER_FAILS, why},
    WALK_RULES(AS_FAILING, AS_NEVER)
#undef AS_NEVER
#undef AS_FAILING
};

constexpr int rules_naming(std::string_view entry) {
    return static_cast<int>(
        std::count_if(std::begin(RULES), std::end(RULES),
                      [entry](const Rule &rule) { return rule.entry == entry; }));
}

constexpr const Rule &rule_for(std::string_view entry) {
    return *std::find_if(std::begin(RULES), std::end(RULES),
                         [entry](const Rule &rule) { return rule.entry == entry; });
}

// The rules and the table's one list (platform.h) are held together here: every
// entry has exactly one rule, and there is no rule for an entry the table lacks.
#define RULED_ONCE(name, result, parameters)                                                       \
    static_assert(rules_naming(#name) == 1,                                                        \
                  "WALK_RULES: give " #name " one rule, its errno or why it never fails");
PLATFORM_ENTRIES(RULED_ONCE)
#undef RULED_ONCE

enum Entry {
#define AS_ENUM(name, result, parameters) ENTRY_##name,
    PLATFORM_ENTRIES(AS_ENUM)
#undef AS_ENUM
};

// Each entry's rule, in the table's order.
constexpr const Rule *ENTRY_RULES[] = {
#define AS_RULE(name, result, parameters) &rule_for(#name),
    PLATFORM_ENTRIES(AS_RULE)
#undef AS_RULE
};
static_assert(std::size(RULES) == std::size(ENTRY_RULES),
              "WALK_RULES names an entry the table lacks");

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
    errno = ENTRY_RULES[entry]->error;
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

template <Entry E, auto Member> void count(Platform &table) {
    if constexpr (ENTRY_RULES[E]->error != NEVER_FAILS) {
        table.*Member = Counted<Member, E>::call;
    }
}

Platform counted_table() {
    Platform table = board;
#define AS_COUNTED(name, result, parameters) count<ENTRY_##name, &Platform::name>(table);
    PLATFORM_ENTRIES(AS_COUNTED)
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
    if (*failed) {
        const Rule &rule = *ENTRY_RULES[probe->failed];
        call += std::string(rule.entry) + " " + rule.error_name;
    } else {
        call += "none";
    }
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
