#include "app/time_base.h"

#include "platform/platform.h"

namespace {
uint32_t scene_start[2];
}

uint32_t now_ms() {
    struct timespec ts;
    if (platform.clock_gettime(CLOCK_MONOTONIC, &ts) != 0) {
        return 0;
    }
    // Both terms are reduced to 32 bits first so the sum wraps exactly at 2^32.
    uint32_t seconds = static_cast<uint32_t>(ts.tv_sec);
    uint32_t millis = static_cast<uint32_t>(ts.tv_nsec / 1000000);
    return seconds * 1000u + millis;
}

void time_base_init() {
    uint32_t now = now_ms();
    scene_start[SCENE_ADDRESS] = now;
    scene_start[SCENE_PUZZLE] = now;
}

void scene_mark_start(SceneId scene) {
    scene_start[scene] = now_ms();
}

uint32_t scene_elapsed_ms(SceneId scene) {
    return now_ms() - scene_start[scene];
}
