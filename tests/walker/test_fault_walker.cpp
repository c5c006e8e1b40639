// The walker itself: what a failed call returns and sets, how a run's end and
// standard error are written, where the walk stops, and the lists' difference.
#include "fault_walker.h"
#include "platform/platform.h"
#include "walk_lists.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>

namespace {

char mapped[16];
struct dirent entry;
DIR *const FOLDER = reinterpret_cast<DIR *>(&entry);

void small_board() {
    platform.open = [](const char *, int, mode_t) { return 5; };
    platform.mmap = [](void *, size_t, int, int, int, off_t) -> void * { return mapped; };
    platform.opendir = [](const char *) { return FOLDER; };
    platform.readdir = [](DIR *) { return &entry; };
    platform.close = [](int) { return 0; };
    platform.getpid = [] { return pid_t{1}; };
}

// Each failure is told apart by its own status, so a wrong failure value shows.
void checked_calls() {
    platform.getpid();
    if (platform.open("/dev/thing", O_RDONLY, 0) == -1) {
        perror("open");
        exit(2);
    }
    if (platform.mmap(nullptr, sizeof mapped, PROT_READ, MAP_SHARED, 5, 0) == MAP_FAILED) {
        perror("mmap");
        exit(3);
    }
    DIR *dir = platform.opendir("/folder");
    if (dir == nullptr) {
        perror("opendir");
        abort();
    }
    if (platform.readdir(dir) == nullptr) {
        perror("readdir");
        exit(4);
    }
    platform.close(5);
    fprintf(stderr, "done\n");
}

TEST(FaultWalker, FailsEachCountedCallInTurnUntilNoneIsLeft) {
    std::vector<std::string> expected = {
        R"(1 open ENOENT -> exit 2, "open: No such file or directory\n")",
        R"(2 mmap ENOMEM -> exit 3, "mmap: Cannot allocate memory\n")",
        R"(3 opendir ENOENT -> signal ABRT, "opendir: No such file or directory\n")",
        R"(4 readdir EIO -> exit 4, "readdir: Input/output error\n")",
        R"(5 close EIO -> exit 0, "done\n")",
        R"(6 none -> exit 0, "done\n")",
    };
    EXPECT_EQ(walk({"checked_calls", small_board, checked_calls, nullptr}), expected);
}

TEST(FaultWalker, CountsRoutineLinesInARow) {
    auto chatty = [] {
        fprintf(stderr, "box 1\nbox 2\nclosing\n");
        platform.close(5);
        fprintf(stderr, "box 3");
    };
    std::vector<std::string> expected = {
        R"(1 close EIO -> exit 0, "[2 lines box ...]closing\n[1 lines box ...]")",
        R"(2 none -> exit 0, "[2 lines box ...]closing\n[1 lines box ...]")",
    };
    EXPECT_EQ(walk({"chatty", small_board, chatty, "box "}), expected);
}

TEST(WalkLists, DifferenceShowsOnlyWhatChangedBesidesTheNumbers) {
    std::vector<std::string> want = {"1 open ENOENT -> exit 1", "2 close EIO -> exit 0",
                                     "3 none -> exit 0"};
    std::vector<std::string> added = {"1 open ENOENT -> exit 1", "2 ioctl EINVAL -> exit 0",
                                      "3 close EIO -> exit 0", "4 none -> exit 0"};
    std::vector<std::string> changed = {"1 open ENOENT -> exit 0", "2 close EIO -> exit 0",
                                        "3 none -> exit 0"};
    EXPECT_EQ(differences(want, want), "");
    EXPECT_EQ(differences(want, added), "+ 2 ioctl EINVAL -> exit 0\n");
    EXPECT_EQ(differences(want, changed), "- 1 open ENOENT -> exit 1\n+ 1 open ENOENT -> exit 0\n");
    EXPECT_EQ(differences({}, {"1 none -> exit 0"}), "+ 1 none -> exit 0\n");
}

} // namespace
