#include "address_fixture.h"

#include "display/backgrounds.h"
#include "font/text_metrics.h"
#include "support/platform_guard.h"
#include "workers/net_worker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipe_fds[2] = {-1, -1};

int recording_pipe(int fds[2]) {
    int r = ::pipe(fds);
    pipe_fds[0] = fds[0];
    pipe_fds[1] = fds[1];
    return r;
}

// The test runner keeps its own standard descriptors.
int close_except_standard(int fd) {
    return fd <= 2 ? 0 : ::close(fd);
}

// The three opens of /dev/null get real descriptors, closed again afterwards.
std::vector<int> opened;

int open_recorded(const char *path, int flags, mode_t mode) {
    int fd = ::open(path, flags, mode);
    opened.push_back(fd);
    return fd;
}

pid_t parent_side_fork() {
    return 4242;
}

} // namespace

uint16_t test_atlas_pixel(int row, int col) {
    return static_cast<uint16_t>(((row * 97 + col * 3) * 2 + 1) & 0xFFFF);
}

void install_test_atlas(std::vector<uint16_t> *atlas, const int32_t offsets[11],
                        const int32_t widths[11], int32_t height) {
    atlas->assign(static_cast<size_t>(ATLAS_W) * ATLAS_H, 0);
    for (int r = 0; r < ATLAS_H; ++r) {
        for (int c = 0; c < ATLAS_W; ++c) {
            (*atlas)[static_cast<size_t>(r) * ATLAS_W + c] = test_atlas_pixel(r, c);
        }
    }
    atlas_pixels = atlas->data();
    for (int i = 0; i < GLYPH_COUNT; ++i) {
        glyph_offsets[i] = offsets[i];
        glyph_widths[i] = widths[i];
    }
    glyph_height = height;
    for (uint16_t &p : scene_background[SCENE_ADDRESS].px) {
        p = TEST_BACKGROUND;
    }
}

void deliver_address(const std::string &text) {
    {
        PlatformGuard guard;
        platform.pipe = recording_pipe;
        platform.fork = parent_side_fork;
        platform.close = close_except_standard;
        platform.open = open_recorded;
        net_worker_start();
    }
    for (int fd : opened) {
        ::close(fd);
    }
    opened.clear();
    ASSERT_GE(pipe_fds[1], 0);
    if (text.empty()) {
        ::close(pipe_fds[1]);
    } else {
        ASSERT_EQ(::write(pipe_fds[1], text.data(), text.size()),
                  static_cast<ssize_t>(text.size()));
    }
    ASSERT_EQ(address_receive(), 1);
}
