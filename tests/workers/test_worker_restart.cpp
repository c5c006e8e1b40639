// What a start finds after an earlier one in the same boot: the touch node it
// keeps or makes again, and the workers' tie to the main process, in order with
// fakes and for real, with a main process that is killed.
#include "support/perror_text.h"
#include "support/platform_guard.h"
#include "workers/net_bringup.h"
#include "workers/net_worker.h"
#include "workers/touch_reader.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The fakes run in a death test's child: they say what was called on standard
// error, which the death test matches whole.
void say(const std::string &line) {
    fprintf(stderr, "%s\n", line.c_str());
}

// What stat finds at /tmp/touch; st_mode 0 stands for nothing there.
struct stat found;
int device_end; // a pipe's read end that never delivers: the reader then aborts

int fake_stat(const char *path, struct stat *info) {
    say(std::string("stat ") + path);
    *info = found;
    errno = ENOENT;
    return found.st_mode == 0 ? -1 : 0;
}
int fake_unlink(const char *path) {
    say(std::string("unlink ") + path);
    return 0;
}
int fake_mknod(const char *path, mode_t mode, dev_t dev) {
    say(std::string("mknod ") + path + " " + std::to_string(mode) + " " +
        std::to_string(major(dev)) + ":" + std::to_string(minor(dev)));
    return 0;
}
int fake_open(const char *path, int, mode_t) {
    say(std::string("open ") + path);
    return device_end;
}

class TouchNodeDeathTest : public testing::Test {
  protected:
    void SetUp() override {
        platform.stat = fake_stat;
        platform.unlink = fake_unlink;
        platform.mknod = fake_mknod;
        platform.open = fake_open;
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        close(fds[1]); // the first read sees end-of-file: a short read, abort
        device_end = fds[0];
        found = {};
    }
    void TearDown() override { close(device_end); }

    void expect_calls(const char *calls) {
        int sink[2];
        ASSERT_EQ(pipe(sink), 0);
        EXPECT_EXIT(touch_reader_run(sink[1]), testing::KilledBySignal(SIGABRT), calls);
        close(sink[0]);
        close(sink[1]);
    }

    PlatformGuard guard;
};

constexpr char MADE[] = "mknod /tmp/touch 8448 13:64\nopen /tmp/touch\n$";

TEST_F(TouchNodeDeathTest, TheNodeOfAnEarlierStartIsKept) {
    found.st_mode = S_IFCHR | 0400;
    found.st_rdev = makedev(13, 64);
    expect_calls("^stat /tmp/touch\nopen /tmp/touch\n$");
}

TEST_F(TouchNodeDeathTest, WithNothingThereTheNodeIsMade) {
    expect_calls((std::string("^stat /tmp/touch\n") + MADE).c_str());
}

TEST_F(TouchNodeDeathTest, AnythingElseThereIsRemovedAndTheNodeMade) {
    const char *replaced = "^stat /tmp/touch\nunlink /tmp/touch\nmknod /tmp/touch 8448 "
                           "13:64\nopen /tmp/touch\n$";
    found.st_mode = S_IFCHR | 0400;
    found.st_rdev = makedev(13, 65); // the second event device
    expect_calls(replaced);
    found.st_rdev = makedev(4, 64);
    expect_calls(replaced);
    found.st_mode = S_IFBLK | 0400; // a block device 13:64
    found.st_rdev = makedev(13, 64);
    expect_calls(replaced);
    found.st_mode = S_IFREG | 0644;
    expect_calls(replaced);
    found.st_mode = S_IFIFO | 0600;
    expect_calls(replaced);
}

// --- the tie, in order: the parent's id before the fork, the death signal and
// the check right after it in the child --------------------------------------

pid_t parent_now; // what getppid answers in the child
pid_t fake_getpid() {
    say("getpid");
    return 700;
}
pid_t fake_getppid() {
    say("getppid");
    return parent_now;
}
pid_t child_fork() {
    say("fork");
    return 0;
}
int fake_prctl(int option, unsigned long arg) {
    say("prctl " + std::to_string(option) + " " + std::to_string(arg));
    return 0;
}
int quiet_close(int) {
    return 0;
}
int open_refused(const char *path, int, mode_t) {
    say(std::string("open ") + path);
    errno = EACCES;
    return -1;
}
int plain_pipe(int fds[2]) {
    return pipe(fds);
}

class WorkerTieDeathTest : public testing::Test {
  protected:
    void SetUp() override {
        platform.getpid = fake_getpid;
        platform.getppid = fake_getppid;
        platform.fork = child_fork;
        platform.prctl = fake_prctl;
        platform.close = quiet_close;
        platform.pipe = plain_pipe;
        platform.open = open_refused;
        platform.stat = fake_stat;
        platform.mknod = fake_mknod;
        platform._exit = [](int status) {
            say("_exit " + std::to_string(status));
            _exit(status);
        };
        found = {};
    }
    PlatformGuard guard;
};

// PR_SET_PDEATHSIG is 1, SIGKILL 9.
constexpr char TIE[] = "getpid\nfork\nprctl 1 9\ngetppid\n";
std::string made_then_refused() {
    return "mknod /tmp/touch 8448 13:64\nopen /tmp/touch\n" + perror_line("open touch", EACCES) +
           "$";
}

TEST_F(WorkerTieDeathTest, TheNetworkWorkerTiesItselfBeforeAnythingElse) {
    parent_now = 700;
    // Its first step refused, so the road ends there.
    std::string expected = std::string("^(open /dev/null\n){3}") + TIE + "open /dev/mem\n" +
                           perror_line("/dev/mem", EACCES) + "$";
    EXPECT_EXIT(net_worker_start(), testing::KilledBySignal(SIGABRT), expected);
}

TEST_F(WorkerTieDeathTest, TheTouchReaderTiesItselfBeforeAnythingElse) {
    parent_now = 700;
    std::string expected = std::string("^") + TIE + "stat /tmp/touch\n" + made_then_refused();
    EXPECT_EXIT(touch_worker_start(), testing::ExitedWithCode(1), expected);
}

TEST_F(WorkerTieDeathTest, AWorkerWhoseMainProcessIsAlreadyGoneEndsQuietly) {
    parent_now = 1; // handed to init: the death signal can no longer come
    EXPECT_EXIT(touch_worker_start(), testing::ExitedWithCode(0),
                std::string("^") + TIE + "_exit 0\n$");
    EXPECT_EXIT(net_worker_start(), testing::ExitedWithCode(0),
                std::string("^(open /dev/null\n){3}") + TIE + "_exit 0\n$");
}

// --- for real: a main process killed with SIGKILL takes its workers along ----

int ready_pipe[2]; // a worker that reached its first step says so here

void report_ready() {
    char byte = 'r';
    if (write(ready_pipe[1], &byte, 1) != 1) {
        _exit(3);
    }
}
int stat_then_wait(const char *, struct stat *) {
    report_ready();
    for (;;) {
        pause();
    }
}
int mem_open_then_wait(const char *path, int, mode_t) {
    if (strcmp(path, "/dev/mem") != 0) {
        return 99; // /dev/null, left alone: the test's own descriptors stay as they are
    }
    report_ready();
    for (;;) {
        pause();
    }
}

// Forks a stand-in main process that starts the worker and waits; once the
// worker reached its first step after the tie, the main process is killed.
// The worker alone holds the write end of a pipe, so the pipe's end-of-file says
// it is gone (whoever adopts it reaps it: under qemu-arm this process cannot
// become a subreaper). Returns whether the worker was alive before the kill and
// gone after it.
bool worker_goes_with_killed_main(pid_t (*start)()) {
    int life[2], worker_pid[2];
    EXPECT_EQ(pipe(ready_pipe), 0);
    EXPECT_EQ(pipe(life), 0);
    EXPECT_EQ(pipe(worker_pid), 0);
    pid_t main_process = fork();
    if (main_process == 0) {
        close(life[0]);
        pid_t worker = start();
        close(life[1]);
        if (write(worker_pid[1], &worker, sizeof worker) != sizeof worker) {
            _exit(3);
        }
        for (;;) {
            pause();
        }
    }
    close(life[1]);
    pid_t worker = -1;
    char byte = 0;
    EXPECT_EQ(read(worker_pid[0], &worker, sizeof worker), static_cast<ssize_t>(sizeof worker));
    EXPECT_EQ(read(ready_pipe[0], &byte, 1), 1);
    pollfd alive = {life[0], POLLIN, 0};
    bool was_alive = poll(&alive, 1, 0) == 0;
    kill(main_process, SIGKILL);
    waitpid(main_process, nullptr, 0);
    // The signal comes at once; a worker still there after ten seconds never gets it.
    pollfd gone = {life[0], POLLIN, 0};
    bool ended = poll(&gone, 1, 10000) == 1 && read(life[0], &byte, 1) == 0;
    if (!ended && worker > 0) {
        kill(worker, SIGKILL); // left behind: not for the rest of the run
    }
    for (int fd : {ready_pipe[0], ready_pipe[1], life[0], worker_pid[0], worker_pid[1]}) {
        close(fd);
    }
    return was_alive && ended;
}

TEST(WorkerTie, AKilledMainProcessTakesTheTouchReaderAlong) {
    PlatformGuard guard;
    platform.stat = stat_then_wait;
    EXPECT_TRUE(worker_goes_with_killed_main(touch_worker_start));
}

TEST(WorkerTie, AKilledMainProcessTakesTheNetworkWorkerAlong) {
    PlatformGuard guard;
    platform.open = mem_open_then_wait;
    platform.close = quiet_close;
    EXPECT_TRUE(worker_goes_with_killed_main(net_worker_start));
}

} // namespace
