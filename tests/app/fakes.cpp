// Link-time stand-ins for the subsystems the main loop drives (fakes.h). They
// stay apart from the test board on purpose: the board plays the system under the
// real subsystems, where the loop's decisions would show only as the system calls
// they end in, and every start-up would first need a font, a screen and both
// workers. Here each subsystem call is one line of the log.
#include "fakes.h"

#include "display/backgrounds.h"
#include "display/framebuffer.h"
#include "display/slide.h"
#include "font/font_discovery.h"
#include "scenes/address/address_scene.h"
#include "scenes/puzzle/puzzle_board.h"
#include "scenes/puzzle/puzzle_scene.h"
#include "workers/net_worker.h"
#include "workers/touch_reader.h"

#include <unistd.h>

namespace fake {

std::vector<std::string> calls;
int touch_fds[2] = {-1, -1};
int address_fds[2] = {-1, -1};
int32_t next_point[2];
int slide_frames;
int scene1_idle;

void close_pipes() {
    for (int *fds : {touch_fds, address_fds}) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i] >= 0) {
                close(fds[i]);
            }
            fds[i] = -1;
        }
    }
}

void reset() {
    close_pipes();
    calls.clear();
    if (pipe(touch_fds) != 0 || pipe(address_fds) != 0) {
        abort();
    }
    next_point[0] = next_point[1] = 120;
    slide_frames = 0;
    scene1_idle = 1;
}

} // namespace fake

using fake::calls;

Canvas frame_canvas;
Canvas scene_background[2];
int32_t puzzle_visited;

pid_t net_worker_start() {
    calls.push_back("net_worker_start");
    return 1;
}
int address_pipe_fd() {
    return fake::address_fds[0];
}
int address_receive() {
    char text[16];
    calls.push_back("address_receive");
    if (read(fake::address_fds[0], text, 15) < 0) {
        abort();
    }
    close(fake::address_fds[0]);
    fake::address_fds[0] = -1;
    return 1;
}
int font_load_from_usb() {
    calls.push_back("font_load_from_usb");
    return 0;
}
void compose_backgrounds() {
    calls.push_back("compose_backgrounds");
}
pid_t touch_worker_start() {
    calls.push_back("touch_worker_start");
    return 2;
}
int touch_pipe_fd() {
    return fake::touch_fds[0];
}
int touch_read_raw() {
    int32_t raw[2];
    calls.push_back("touch_read_raw");
    if (read(fake::touch_fds[0], raw, sizeof raw) != sizeof raw) {
        abort();
    }
    return 1;
}
void touch_calibrate(int32_t point[2]) {
    point[0] = fake::next_point[0];
    point[1] = fake::next_point[1];
}
void fb_open() {
    calls.push_back("fb_open");
}
void fb_present() {
    calls.push_back("fb_present");
}
void slide_prepare() {
    calls.push_back("slide_prepare");
}
int slide_step(int direction) {
    calls.push_back("slide_step " + std::to_string(direction));
    if (fake::slide_frames > 0) {
        --fake::slide_frames;
        return 1;
    }
    return 0;
}
int address_scene_render(uint32_t, Canvas *) {
    calls.push_back("render 0");
    return 0;
}
int puzzle_scene_render(uint32_t, Canvas *) {
    calls.push_back("render 1");
    return fake::scene1_idle;
}
void puzzle_touch(int32_t x, int32_t y) {
    calls.push_back("puzzle_touch " + std::to_string(x) + " " + std::to_string(y));
}
void puzzle_set_near_solved() {
    calls.push_back("puzzle_set_near_solved");
}
void puzzle_reset() {
    calls.push_back("puzzle_reset");
}
