// The touch reader fed with hand-made 16-byte event streams through real pipes:
// bursts, repeated presses, missing coordinates, short reads and writes; and the
// reader process's set-up and the main process's side of the touch pipe.
#include "support/platform_guard.h"
#include "workers/input_event.h"
#include "workers/net_worker.h"
#include "workers/touch_calibration.h"
#include "workers/touch_events.h"
#include "workers/touch_reader.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Stream = std::vector<InputEventRecord>;
using Pair = std::pair<int32_t, int32_t>;

InputEventRecord ev(uint16_t type, uint16_t code, int32_t value) {
    return {123, 456, type, code, value};
}
InputEventRecord touch(int32_t value) {
    return ev(INPUT_EV_KEY, INPUT_BTN_TOUCH, value);
}
InputEventRecord abs_x(int32_t value) {
    return ev(INPUT_EV_ABS, INPUT_ABS_X, value);
}
InputEventRecord abs_y(int32_t value) {
    return ev(INPUT_EV_ABS, INPUT_ABS_Y, value);
}
InputEventRecord syn() {
    return ev(INPUT_EV_SYN, INPUT_SYN_REPORT, 0);
}

struct Pipe {
    int fds[2] = {-1, -1};
    Pipe() { EXPECT_EQ(pipe(fds), 0); }
    ~Pipe() {
        close_read();
        close_write();
    }
    int r() const { return fds[0]; }
    int w() const { return fds[1]; }
    void close_read() {
        if (fds[0] >= 0) {
            close(fds[0]);
        }
        fds[0] = -1;
    }
    void close_write() {
        if (fds[1] >= 0) {
            close(fds[1]);
        }
        fds[1] = -1;
    }
};

// One write, so the whole burst is queued before the reader looks.
void send(int fd, const Stream &events) {
    ssize_t bytes = static_cast<ssize_t>(events.size() * sizeof(InputEventRecord));
    ASSERT_EQ(write(fd, events.data(), static_cast<size_t>(bytes)), bytes);
}

bool readable(int fd) {
    pollfd p = {fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

std::vector<Pair> pairs_written(int fd) {
    std::vector<Pair> pairs;
    while (readable(fd)) {
        int32_t xy[2];
        EXPECT_EQ(read(fd, xy, sizeof xy), static_cast<ssize_t>(sizeof xy));
        pairs.emplace_back(xy[0], xy[1]);
    }
    return pairs;
}

// Events the panel delivers while the reader sleeps its 10 ms after a pen-down.
Stream arriving_in_pause;
int arrival_fd = -1;
std::vector<useconds_t> pauses;

int fake_usleep(useconds_t us) {
    pauses.push_back(us);
    if (!arriving_in_pause.empty()) {
        send(arrival_fd, arriving_in_pause);
        arriving_in_pause.clear();
    }
    return 0;
}

class TouchStream : public testing::Test {
  protected:
    void SetUp() override {
        platform.usleep = fake_usleep;
        pauses.clear();
        arriving_in_pause.clear();
        arrival_fd = device.w();
    }

    // Steps the reader until it has consumed everything queued; returns the pairs.
    std::vector<Pair> run(const Stream &events) {
        send(device.w(), events);
        int reports = 0;
        while (readable(device.r())) {
            reports += touch_reader_step(&state, device.r(), pipe_to_main.w());
        }
        std::vector<Pair> pairs = pairs_written(pipe_to_main.r());
        EXPECT_EQ(static_cast<size_t>(reports), pairs.size());
        return pairs;
    }

    PlatformGuard guard;
    Pipe device, pipe_to_main;
    TouchReaderState state;
};

TEST_F(TouchStream, CoordinatesArrivingDuringThePauseMakeOnePair) {
    arriving_in_pause = {abs_x(500), abs_y(400), syn()};
    EXPECT_EQ(run({touch(1)}), (std::vector<Pair>{{500, 400}}));
    EXPECT_EQ(pauses, std::vector<useconds_t>{10000});
    int32_t point[2];
    touch_calibrate_raw(500, 400, point);
    EXPECT_EQ(point[0], 156);
    EXPECT_EQ(point[1], 166);
}

TEST_F(TouchStream, PenDownBeforeAnyCoordinateReportsZeroZero) {
    EXPECT_EQ(run({touch(1), syn()}), (std::vector<Pair>{{0, 0}}));
    int32_t point[2];
    touch_calibrate_raw(0, 0, point);
    EXPECT_EQ(point[0], 239);
    EXPECT_EQ(point[1], 319);
}

TEST_F(TouchStream, ATouchWithOnlyYKeepsThePreviousX) {
    EXPECT_EQ(run({touch(1), abs_x(500), abs_y(400), syn(), touch(0), syn()}),
              (std::vector<Pair>{{500, 400}}));
    EXPECT_EQ(run({touch(1), abs_y(700), syn(), touch(0), syn()}), (std::vector<Pair>{{500, 700}}));
}

TEST_F(TouchStream, MovesAndPenUpReportNothingButAreFollowed) {
    EXPECT_EQ(run({touch(1), abs_x(300), abs_y(600), syn()}), (std::vector<Pair>{{300, 600}}));
    EXPECT_TRUE(run({abs_x(310), syn(), abs_x(320), abs_y(610), syn(), touch(0), syn()}).empty());
    EXPECT_EQ(pauses.size(), 1u);
    // The next pen-down reports again, from where the pen was lifted.
    EXPECT_EQ(run({touch(1), syn()}), (std::vector<Pair>{{320, 610}}));
}

TEST_F(TouchStream, APressBouncingInsideTheDrainIsSwallowed) {
    EXPECT_EQ(run({touch(1), abs_x(100), abs_y(200), syn(), touch(0), syn(), touch(1), abs_x(300),
                   syn()}),
              (std::vector<Pair>{{300, 200}}));
    EXPECT_EQ(pauses.size(), 1u);
}

TEST_F(TouchStream, AnyNonZeroTouchValueIsAPenDown) {
    EXPECT_EQ(run({touch(2), abs_x(1), abs_y(2)}), (std::vector<Pair>{{1, 2}}));
    EXPECT_EQ(run({touch(-1)}), (std::vector<Pair>{{1, 2}}));
}

// Pressure, relative motion with code 0 or 1, other keys: read and ignored, both
// outside and inside the drain.
TEST_F(TouchStream, OnlyAbsoluteXAndYMoveThePoint) {
    const uint16_t EV_REL = 2;
    const uint16_t ABS_PRESSURE = 24;
    const uint16_t BTN_TOOL_PEN = 320;
    Stream noise = {ev(EV_REL, 0, 77),
                    ev(EV_REL, 1, 78),
                    ev(INPUT_EV_ABS, ABS_PRESSURE, 99),
                    ev(INPUT_EV_KEY, BTN_TOOL_PEN, 1),
                    ev(INPUT_EV_KEY, INPUT_ABS_X, 1),
                    ev(INPUT_EV_SYN, INPUT_ABS_Y, 5)};
    Stream stream = {abs_x(40), abs_y(50)};
    stream.insert(stream.end(), noise.begin(), noise.end());
    stream.push_back(touch(1));
    stream.insert(stream.end(), noise.begin(), noise.end());
    EXPECT_EQ(run(stream), (std::vector<Pair>{{40, 50}}));
}

// The kernel may write the time left into select's timeout; each poll of the
// drain must still ask for zero, on the device alone.
int select_calls;
int select_device;
int fake_select(int nfds, fd_set *readfds, fd_set *writefds, fd_set *exceptfds, timeval *timeout) {
    ++select_calls;
    EXPECT_EQ(nfds, select_device + 1);
    EXPECT_EQ(writefds, nullptr);
    EXPECT_EQ(exceptfds, nullptr);
    for (int fd = 0; fd < nfds; ++fd) {
        EXPECT_EQ(FD_ISSET(fd, readfds) != 0, fd == select_device) << "descriptor " << fd;
    }
    EXPECT_NE(timeout, nullptr);
    EXPECT_EQ(timeout->tv_sec, 0);
    EXPECT_EQ(timeout->tv_usec, 0);
    int ready = board_platform().select(nfds, readfds, writefds, exceptfds, timeout);
    timeout->tv_usec = 4321;
    return ready;
}

TEST_F(TouchStream, TheDrainPollsWithAFreshZeroTimeoutEachTime) {
    platform.select = fake_select;
    select_calls = 0;
    select_device = device.r();
    EXPECT_EQ(run({touch(1), abs_x(5), abs_y(6), syn()}), (std::vector<Pair>{{5, 6}}));
    EXPECT_EQ(select_calls, 4); // three events drained, then nothing queued
}

// The reader process asks for the board's exact node: the fake takes nothing else.
int refuse_as_existing(const char *path, mode_t mode, dev_t dev) {
    bool right =
        strcmp(path, "/tmp/touch") == 0 && mode == 020400 && dev == 3392 && dev == makedev(13, 64);
    errno = right ? EEXIST : EINVAL;
    return -1;
}
int accept_node(const char *path, mode_t mode, dev_t dev) {
    return refuse_as_existing(path, mode, dev) == -1 && errno == EEXIST ? 0 : -1;
}
// The main process's side, with the reader's end of the pipe in the test's hand.
int touch_pipe[2];
int record_pipe(int fds[2]) {
    int result = board_platform().pipe(fds);
    touch_pipe[0] = fds[0];
    touch_pipe[1] = fds[1];
    return result;
}
// The whole road in real processes: the reader forked by touch_worker_start reads
// a pipe standing in for the device node, the main side reads and calibrates.
int device_fds[2];
int open_device(const char *path, int flags, mode_t) {
    if (strcmp(path, "/tmp/touch") != 0 || flags != O_RDONLY) {
        errno = EINVAL;
        return -1;
    }
    close(device_fds[1]); // only the test writes to the panel
    return device_fds[0];
}

// The address pipe as the main process has it when it forks the reader, made
// without touching the test's standard descriptors or forking a network worker.
// Returns its name as /proc shows descriptors ("pipe:[N]").
std::string make_address_pipe() {
    platform.close = [](int fd) { return fd <= 2 ? 0 : close(fd); };
    platform.open = [](const char *, int, mode_t) { return 100; };
    platform.fork = [] { return pid_t{777}; };
    net_worker_start();
    platform.close = board_platform().close;
    platform.fork = board_platform().fork;
    char name[64] = {};
    std::string link = "/proc/self/fd/" + std::to_string(address_pipe_fd());
    EXPECT_GT(readlink(link.c_str(), name, sizeof name - 1), 0);
    return name;
}

bool holds(pid_t pid, const std::string &name) {
    std::string dir = "/proc/" + std::to_string(pid) + "/fd";
    DIR *fds = opendir(dir.c_str());
    bool found = false;
    for (dirent *entry = fds ? readdir(fds) : nullptr; entry != nullptr; entry = readdir(fds)) {
        char target[64] = {};
        found |= readlink((dir + "/" + entry->d_name).c_str(), target, sizeof target - 1) > 0 &&
                 name == target;
    }
    if (fds != nullptr) {
        closedir(fds);
    }
    return found;
}

void read_and_calibrate(int32_t point[2]) {
    pollfd p = {touch_pipe_fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, -1), 1);
    ASSERT_TRUE(p.revents & POLLIN) << "the reader ended without reporting";
    ASSERT_EQ(touch_read_raw(), 1);
    touch_calibrate(point);
}

TEST(TouchWorker, ReportsEachPenDownToTheMainProcessAndAbortsAtTheDevicesEnd) {
    PlatformGuard guard;
    std::string address_pipe = make_address_pipe();
    ASSERT_EQ(pipe(device_fds), 0);
    platform.pipe = record_pipe;
    platform.stat = [](const char *, struct stat *) {
        errno = ENOENT;
        return -1;
    };
    platform.mknod = accept_node;
    platform.open = open_device;
    pid_t reader = touch_worker_start();
    ASSERT_GT(reader, 0);
    close(device_fds[0]);
    close(touch_pipe[1]); // so a reader that dies shows as end-of-file, not a hang

    int32_t point[2] = {-1, -1};
    send(device_fds[1], {touch(1), abs_x(500), abs_y(400), syn()});
    read_and_calibrate(point);
    EXPECT_EQ(point[0], 156);
    EXPECT_EQ(point[1], 166);
    // Only the main process keeps the address pipe: once it has read and closed
    // it, a late write by the DHCP script fails at once instead of queueing.
    EXPECT_TRUE(holds(getpid(), address_pipe));
    EXPECT_FALSE(holds(reader, address_pipe));
    address_pipe_release();

    send(device_fds[1], {abs_x(90), syn(), touch(0), syn()});
    send(device_fds[1], {touch(1), abs_y(130), syn()});
    read_and_calibrate(point);
    EXPECT_EQ(point[0], 239);
    EXPECT_EQ(point[1], 319);

    close(device_fds[1]);
    int status = 0;
    ASSERT_EQ(waitpid(reader, &status, 0), reader);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT) << status;
    EXPECT_TRUE(pairs_written(touch_pipe_fd()).empty());
    close(touch_pipe_fd());
}

} // namespace
