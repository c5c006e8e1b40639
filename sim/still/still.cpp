// The still, step by step, as the application would get there: the font is found
// on the stick folder by the real discovery and built by glyph_atlas_build; the
// backgrounds are composed; the address travels through the real address pipe
// (net_worker_start with its fork faked, then address_receive and text_measure);
// the scene renders at a clock we set; fb_open and fb_present put the frame into
// the still board's screen. Only the few platform entries that would reach
// devices are replaced, each for the one step that needs it.
#include "still/still.h"

#include "still/still_board.h"
#include "still/still_options.h"

#include "app/main_loop.h"
#include "app/time_base.h"
#include "display/backgrounds.h"
#include "display/framebuffer.h"
#include "font/font_discovery.h"
#include "font/glyph_atlas.h"
#include "platform/platform.h"
#include "scenes/puzzle/puzzle_board.h"
#include "scenes/puzzle/puzzle_internal.h"
#include "scenes/puzzle/puzzle_scene.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <unistd.h>

namespace {

// The simulator's default stick (sim/devices/stick.cpp): condensed, so that at 48 pixels
// all eleven glyphs fit the atlas and a full address fits across the screen.
constexpr char DEFAULT_FONT[] = IPSLIDE_DEFAULT_FONT;

const char *program;

// --- the stick -----------------------------------------------------------------

const char *stick_dir;
char default_stick[] = "/tmp/ipslide-render-XXXXXX";
char default_font_link[sizeof default_stick + 32];

DIR *stick_opendir(const char *path) {
    return opendir(strcmp(path, MOUNT_POINT) == 0 ? stick_dir : path);
}

void remove_default_stick() {
    unlink(default_font_link);
    rmdir(default_stick);
}

// A fresh folder holding the simulator's default stick font, under the name that
// carries the pixel size.
const char *make_default_stick(int32_t pixel_size) {
    if (access(DEFAULT_FONT, R_OK) != 0) {
        fprintf(stderr, "%s: the default stick needs %s (fonts-dejavu-extra)\n", program,
                DEFAULT_FONT);
        return nullptr;
    }
    if (mkdtemp(default_stick) == nullptr) {
        fprintf(stderr, "%s: mkdtemp: %s\n", program, strerror(errno));
        return nullptr;
    }
    snprintf(default_font_link, sizeof default_font_link, "%s/concours-%d.ttf", default_stick,
             static_cast<int>(pixel_size));
    atexit(remove_default_stick);
    if (symlink(DEFAULT_FONT, default_font_link) != 0) {
        fprintf(stderr, "%s: symlink: %s\n", program, strerror(errno));
        return nullptr;
    }
    return default_stick;
}

// The stick's top folder is read through the application's discovery, so the same
// name test and the same readdir order pick the font. FreeType then opens the file
// in the folder itself (the application would see it under /tmp/d). The glyph
// boxes the atlas writes to standard error go nowhere, as on the board.
bool load_font(const char *dir) {
    char path[FONT_PATH_SIZE];
    Platform saved = platform;
    stick_dir = dir;
    platform.opendir = stick_opendir;
    const char *name = font_find_on_stick(path);
    platform = saved;
    char font[FONT_PATH_SIZE];
    if (name == nullptr ||
        snprintf(font, sizeof font, "%s/%s", dir, name) >= static_cast<int>(sizeof font)) {
        fprintf(stderr, "%s: no concours-N.ttf in %s\n", program, dir);
        return false;
    }
    still::QuietStderr quiet;
    glyph_atlas_build(name, font);
    return true;
}

// --- the still -----------------------------------------------------------------

bool prepare(const StillOptions &o) {
    const char *dir = o.stick != nullptr ? o.stick : make_default_stick(o.font_size);
    if (dir == nullptr || !load_font(dir)) {
        return false;
    }
    compose_backgrounds();
    // What the DHCP script would do. An empty text is the same as none (a read
    // of nothing would wait for ever on the board).
    if (o.address != nullptr && o.address[0] != '\0' &&
        !still::deliver_address(o.address, strlen(o.address))) {
        return false;
    }
    puzzle_mark_visited(o.visited ? 1 : 0);
    if (o.has_board) {
        puzzle_place(o.board);
    }
    return true;
}

// A touch on the middle of the cell's tile, at puzzle time ms.
void touch_cell(int32_t cell, uint32_t ms) {
    still::clock_set_ms(ms);
    int32_t x = GRID_LEFT + TILE_SIZE * (2 - cell / 3) + TILE_SIZE / 2;
    int32_t y = GRID_TOP + TILE_SIZE * (cell % 3) + TILE_SIZE / 2;
    puzzle_touch(x, y);
}

// Both scene clocks start at 0; the scene is drawn with its clock at --elapsed,
// and presented on the still board's screen.
void render_scene(const StillOptions &o) {
    Platform saved = platform;
    still::clock_install(0);
    time_base_init();
    if (o.has_slide) {
        touch_cell(o.slide_cell, o.slide_ms);
    }
    if (o.has_victory) {
        // The fanfare counts as played, so no buzzer is needed for the still.
        puzzle_victory_since(o.victory_ms);
    }
    still::clock_set_ms(o.elapsed_ms);
    scene_render(o.puzzle ? SCENE_PUZZLE : SCENE_ADDRESS);
    still::screen_install();
    fb_open();
    fb_present();
    platform = saved;
}

} // namespace

int still_main(const char *name, int argc, char **argv, StillWriter write) {
    program = name;
    StillOptions o;
    switch (parse_still_options(program, argc, argv, &o)) {
    case STILL_HELP:
        print_still_usage(program, stdout);
        return 0;
    case STILL_BAD_COMMAND_LINE:
        return 2;
    case STILL_RENDER:
        break;
    }
    if (!prepare(o)) {
        return 1;
    }
    render_scene(o);
    return write(o.out, still::screen(), still::screen_mode()) ? 0 : 1;
}
