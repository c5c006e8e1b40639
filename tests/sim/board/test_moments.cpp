// The simulated board is told the application's moments instead of reading them
// from the order or the length of its calls: a pipe made before the address
// pipe, or another sleep as long as a slide's pause, fools it no more.
#include "app/event_wait.h"
#include "board/sim_platform.h"
#include "devices/board_state.h"
#include "platform/platform.h"
#include "still/still_board.h"
#include "support/platform_guard.h"

#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(Moments, TheBoardFollowsWhatTheApplicationTellsNotTheOrderOrLengthOfItsCalls) {
    board_state_create();
    PlatformGuard guard;
    platform = sim_platform();
    BoardState &board = *board_state();
    board.app_pid = getpid();

    // A start-up step moved ahead of the address pipe makes a pipe first.
    int early[2];
    ASSERT_EQ(platform.pipe(early), 0);
    ASSERT_TRUE(still::deliver_address("10.9.8.7", 8));
    EXPECT_EQ(board.address_reader.load(), getpid());
    EXPECT_STREQ(board.address_read, "10.9.8.7");
    close(early[0]);
    close(early[1]);

    // Only the slide's pause is a slide frame, however long it is.
    uint32_t slides = board.slide_frames.load();
    platform.usleep(SLIDE_FRAME_PAUSE_US);
    EXPECT_EQ(board.slide_frames.load(), slides);
    frame_delay();
    EXPECT_EQ(board.slide_frames.load(), slides + 1);
    EXPECT_EQ(board.in_frame_delay.load(), 0);
}

} // namespace
