#include "bench_world.h"

#include "app/time_base.h"
#include "display/backgrounds.h"
#include "display/framebuffer.h"
#include "font/glyph_atlas.h"
#include "platform/platform.h"
#include "scenes/puzzle/puzzle_board.h"
#include "scenes/puzzle/puzzle_scene.h"
#include "workers/net_worker.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int FAKE_FB_FD = 99;
constexpr int FAKE_NULL_FD = 98;

uint32_t clock_ms = 1000000;
alignas(64) uint16_t screen[SCREEN_W * SCREEN_H];
int address_write_fd = -1;
int saved_stderr = -1;

int fake_clock_gettime(clockid_t, struct timespec *ts) {
    ts->tv_sec = clock_ms / 1000;
    ts->tv_nsec = static_cast<long>(clock_ms % 1000) * 1000000;
    return 0;
}

int fake_open(const char *path, int flags, mode_t mode) {
    if (strcmp(path, "/dev/fb0") == 0) {
        return FAKE_FB_FD;
    }
    if (strcmp(path, "/dev/null") == 0) {
        return FAKE_NULL_FD;
    }
    return ::open(path, flags, mode);
}

int fake_ioctl(int, unsigned long, void *) {
    return 0;
}

void *fake_mmap(void *, size_t, int, int, int, off_t) {
    return screen;
}

// The bench keeps its own standard descriptors and never had the fake ones.
int fake_close(int fd) {
    return fd <= 2 || fd == FAKE_FB_FD || fd == FAKE_NULL_FD ? 0 : ::close(fd);
}

int recording_pipe(int fds[2]) {
    int r = ::pipe(fds);
    address_write_fd = fds[1];
    return r;
}

pid_t parent_side_fork() {
    return 4242;
}

// Makes the puzzle's own state machine start a slide of the tile in cell 8.
void start_last_tile_slide() {
    puzzle_set_near_solved();
    puzzle_state.board_ready = 1;
    puzzle_touch(55 + 24, 181 + 24);
    if (!puzzle_state.move_active) {
        fprintf(stderr, "bench: the puzzle did not start the slide\n");
        exit(1);
    }
}

} // namespace

void bench_world_open() {
    platform.clock_gettime = fake_clock_gettime;
    platform.open = fake_open;
    platform.ioctl = fake_ioctl;
    platform.mmap = fake_mmap;
    platform.close = fake_close;
    platform.pipe = recording_pipe;
    platform.fork = parent_side_fork;
    fb_open();
    time_base_init();
}

void bench_set_clock_ms(uint32_t ms) {
    clock_ms = ms;
}

void bench_scene_at(int scene, uint32_t elapsed_ms) {
    scene_mark_start(scene);
    clock_ms += elapsed_ms;
}

uint16_t *bench_screen() {
    return screen;
}

void bench_build_atlas(const char *path, int pixel_size) {
    char name[32];
    snprintf(name, sizeof name, "concours-%d.ttf", pixel_size);
    glyph_atlas_build(name, path);
}

void bench_stderr_off() {
    fflush(stderr);
    saved_stderr = dup(2);
    int null_fd = ::open("/dev/null", O_WRONLY);
    dup2(null_fd, 2);
    ::close(null_fd);
}

void bench_stderr_on() {
    fflush(stderr);
    dup2(saved_stderr, 2);
    ::close(saved_stderr);
}

void bench_deliver_address(const char *text) {
    net_worker_start();
    if (::write(address_write_fd, text, strlen(text)) != static_cast<ssize_t>(strlen(text)) ||
        address_receive() != 1) {
        fprintf(stderr, "bench: the address did not arrive\n");
        exit(1);
    }
}

void bench_puzzle_still(uint32_t e) {
    puzzle_set_near_solved();
    puzzle_state.board_ready = 1;
    bench_scene_at(1, e);
}

void bench_puzzle_sliding(uint32_t e, uint32_t d) {
    bench_scene_at(1, e - d);
    start_last_tile_slide();
    clock_ms += d;
}

// The winning move is committed by a render, as in play; the sound is then marked
// as played so the measured frames show the fade alone.
void bench_puzzle_fading(uint32_t e, uint32_t dt) {
    bench_puzzle_sliding(e - dt, MOVE_DURATION_MS);
    static Canvas scratch;
    puzzle_scene_render(e - dt, &scratch);
    if (!puzzle_state.victory_active) {
        fprintf(stderr, "bench: the last slide did not win\n");
        exit(1);
    }
    puzzle_state.victory_sound_played = 1;
    puzzle_state.victory_start_ms = scene_elapsed_ms(1);
    clock_ms += dt;
}
