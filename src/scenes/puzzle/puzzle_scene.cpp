#include "scenes/puzzle/puzzle_scene.h"

#include "display/backgrounds.h"

#include <cstring>

int32_t puzzle_visited;

// TEMPORARY: the bare background, idle at once, until the puzzle scene lands.
int puzzle_scene_render(uint32_t, Canvas *canvas) {
    puzzle_visited = 1;
    memcpy(canvas, &scene_background[SCENE_PUZZLE], sizeof(Canvas));
    return 1;
}
