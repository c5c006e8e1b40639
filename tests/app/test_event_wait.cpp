// wait_events over real pipes: what it watches, what it reads first, how it fails.
#include "app/event_wait.h"
#include "fakes.h"
#include "support/platform_guard.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

struct SelectCall {
    int nfds = -1;
    bool touch_set = false, address_set = false;
    bool has_timeout = false;
    timeval timeout{};
    bool other_sets = false;
} seen;

int spy_select(int nfds, fd_set *r, fd_set *w, fd_set *e, timeval *t) {
    seen.nfds = nfds;
    seen.touch_set = FD_ISSET(fake::touch_fds[0], r);
    seen.address_set = fake::address_fds[0] >= 0 && FD_ISSET(fake::address_fds[0], r);
    seen.has_timeout = t != nullptr;
    if (t != nullptr) {
        seen.timeout = *t;
    }
    seen.other_sets = w != nullptr || e != nullptr;
    return board_platform().select(nfds, r, w, e, t);
}

class EventWait : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::reset();
        platform.select = spy_select;
    }
    void TearDown() override { fake::close_pipes(); }
    static void send_touch() {
        int32_t raw[2] = {500, 400};
        ASSERT_EQ(write(fake::touch_fds[1], raw, sizeof raw), 8);
    }
    static void send_address() { ASSERT_EQ(write(fake::address_fds[1], "10.0.0.7", 8), 8); }
    PlatformGuard guard;
};

TEST_F(EventWait, BothPipesReadableGiveThreeAddressFirst) {
    send_touch();
    send_address();
    EXPECT_EQ(wait_events(50), EVENT_TOUCH | EVENT_ADDRESS);
    EXPECT_EQ(fake::calls, (std::vector<std::string>{"address_receive", "touch_read_raw"}));
}

TEST_F(EventWait, WatchesBothPipesWithTheLargerDescriptorPlusOne) {
    send_touch();
    EXPECT_EQ(wait_events(50), EVENT_TOUCH);
    EXPECT_TRUE(seen.touch_set);
    EXPECT_TRUE(seen.address_set);
    EXPECT_EQ(seen.nfds, std::max(fake::touch_fds[0], fake::address_fds[0]) + 1);
    EXPECT_FALSE(seen.other_sets);
}

TEST_F(EventWait, AfterTheAddressOnlyTheTouchPipeIsWatched) {
    send_address();
    EXPECT_EQ(wait_events(50), EVENT_ADDRESS);
    send_touch();
    EXPECT_EQ(wait_events(50), EVENT_TOUCH);
    EXPECT_TRUE(seen.touch_set);
    EXPECT_FALSE(seen.address_set);
    EXPECT_EQ(seen.nfds, fake::touch_fds[0] + 1);
}

TEST_F(EventWait, LimitsBecomeSelectTimeouts) {
    EXPECT_EQ(wait_events(50), 0);
    ASSERT_TRUE(seen.has_timeout);
    EXPECT_EQ(seen.timeout.tv_sec, 0);
    EXPECT_EQ(seen.timeout.tv_usec, 50000);
    send_touch();
    EXPECT_EQ(wait_events(-1), EVENT_TOUCH);
    EXPECT_FALSE(seen.has_timeout);
}

TEST_F(EventWait, FrameDelaySleepsTwentyMilliseconds) {
    static useconds_t slept;
    platform.usleep = [](useconds_t usec) -> int {
        slept = usec;
        return 0;
    };
    frame_delay();
    EXPECT_EQ(slept, 20000u);
}

} // namespace
