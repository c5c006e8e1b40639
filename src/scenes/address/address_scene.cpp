#include "scenes/address/address_scene.h"

#include "display/backgrounds.h"

#include <cstring>

// TEMPORARY: the bare background until the address scene lands.
int address_scene_render(uint32_t, Canvas *canvas) {
    memcpy(canvas, &scene_background[SCENE_ADDRESS], sizeof(Canvas));
    return 0;
}
