#include "app/main_loop.h"

#include "app/event_wait.h"
#include "app/time_base.h"
#include "display/backgrounds.h"
#include "display/framebuffer.h"
#include "display/slide.h"
#include "font/font_discovery.h"
#include "scenes/address/address_scene.h"
#include "scenes/puzzle/puzzle_board.h"
#include "scenes/puzzle/puzzle_scene.h"
#include "workers/net_worker.h"
#include "workers/touch_reader.h"

namespace {

constexpr int MOVING_WAIT_MS = 50;
constexpr int IDLE_WAIT_MS = -1;

// Renders, shows the frame and waits: at most 50 ms while the scene moves.
int show_and_wait(SceneId scene) {
    int idle = scene_render(scene);
    fb_present();
    return wait_events(idle ? IDLE_WAIT_MS : MOVING_WAIT_MS);
}

TouchRegion read_touch_region(int32_t point[2]) {
    touch_calibrate(point);
    return touch_region(point[0], point[1]);
}

void run_slide(int direction) {
    slide_prepare();
    while (slide_step(direction)) {
        fb_present();
        frame_delay();
    }
}

} // namespace

TouchRegion touch_region(int32_t x, int32_t y) {
    if (x < 30 && y > 245) {
        return REGION_BOTTOM_LEFT;
    }
    if (x < 30 && y < 30) {
        return REGION_TOP_LEFT;
    }
    if (x > 210 && y > 290) {
        return REGION_BOTTOM_RIGHT;
    }
    return REGION_NONE;
}

int scene_render(SceneId scene) {
    uint32_t elapsed = scene_elapsed_ms(scene);
    if (scene == SCENE_ADDRESS) {
        return address_scene_render(elapsed, &frame_canvas);
    }
    return puzzle_scene_render(elapsed, &frame_canvas);
}

void app_startup() {
    net_worker_start();
    font_load_from_usb();
    compose_backgrounds();
    touch_worker_start();
    fb_open();
    time_base_init();
}

int scene0_handle_events(int events) {
    if (events & EVENT_TOUCH) {
        int32_t point[2];
        switch (read_touch_region(point)) {
        case REGION_BOTTOM_LEFT:
            return 1;
        case REGION_TOP_LEFT:
            puzzle_set_near_solved();
            break;
        case REGION_BOTTOM_RIGHT:
            puzzle_reset();
            break;
        case REGION_NONE:
            break;
        }
    }
    if (events & EVENT_ADDRESS) {
        scene_mark_start(SCENE_ADDRESS);
    }
    return 0;
}

int scene1_handle_events(int events) {
    if (events & EVENT_TOUCH) {
        int32_t point[2];
        TouchRegion region = read_touch_region(point);
        puzzle_touch(point[0], point[1]);
        if (region == REGION_BOTTOM_LEFT) {
            return 1;
        }
    }
    if (events & EVENT_ADDRESS) {
        scene_mark_start(SCENE_ADDRESS);
    }
    return 0;
}

void run_puzzle_visit() {
    scene_mark_start(SCENE_PUZZLE);
    run_slide(0);
    while (!scene1_handle_events(show_and_wait(SCENE_PUZZLE))) {
    }
    scene_mark_start(SCENE_ADDRESS);
    run_slide(1);
}

void app_main() {
    app_startup();
    for (;;) {
        if (scene0_handle_events(show_and_wait(SCENE_ADDRESS))) {
            run_puzzle_visit();
        }
    }
}
