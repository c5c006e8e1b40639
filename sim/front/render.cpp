// ipslide-sim render: one still of a scene, made in this process by the
// application's own code. The font is found on the stick folder by the real
// discovery and built by glyph_atlas_build; the backgrounds are composed; the
// address travels through the real address pipe (net_worker_start with its fork
// faked, then address_receive and text_measure); the scene renders at a clock we
// set; fb_open and fb_present put the frame into the test board's screen. Only
// the few platform entries that would reach devices are replaced, each for the
// one step that needs it.
#include "front/render.h"

#include "devices/fb_device.h"
#include "front/render_options.h"
#include "front/screen_png.h"

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
#include "support/platform_guard.h"
#include "support/test_board.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

// The simulator's default stick (sim/devices/stick.cpp): condensed, so that at 48 pixels
// all eleven glyphs fit the atlas and a full address fits across the screen.
constexpr char DEFAULT_FONT[] = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";
constexpr char STICK_MOUNT_POINT[] = "/tmp/d";

// --- the stick -----------------------------------------------------------------

std::string stick_dir;
std::string default_stick;
std::string default_font_link;

DIR *stick_opendir(const char *path) {
    if (strcmp(path, STICK_MOUNT_POINT) == 0) {
        return ::opendir(stick_dir.c_str());
    }
    return ::opendir(path);
}

void remove_default_stick() {
    if (!default_stick.empty()) {
        unlink(default_font_link.c_str());
        rmdir(default_stick.c_str());
    }
}

// A fresh folder holding the simulator's default stick font, under the name that
// carries the pixel size.
bool make_default_stick(int32_t pixel_size, std::string *dir) {
    if (access(DEFAULT_FONT, R_OK) != 0) {
        fprintf(stderr, "ipslide-sim render: the default stick needs %s (fonts-dejavu-extra)\n",
                DEFAULT_FONT);
        return false;
    }
    char tmpl[] = "/tmp/ipslide-render-XXXXXX";
    if (mkdtemp(tmpl) == nullptr) {
        perror("ipslide-sim render: mkdtemp");
        return false;
    }
    default_stick = tmpl;
    default_font_link = default_stick + "/concours-" + std::to_string(pixel_size) + ".ttf";
    *dir = default_stick;
    atexit(remove_default_stick);
    if (symlink(DEFAULT_FONT, default_font_link.c_str()) != 0) {
        perror("ipslide-sim render: symlink");
        return false;
    }
    return true;
}

// The stick's top folder is read through the application's discovery, so the same
// name test and the same readdir order pick the font. FreeType then opens the file
// in the folder itself (the application would see it under /tmp/d). The glyph
// boxes the atlas writes to standard error go to /dev/null, as on the board.
bool load_font(const std::string &dir) {
    char path[FONT_PATH_SIZE];
    const char *name = nullptr;
    {
        PlatformGuard guard;
        stick_dir = dir;
        platform.opendir = stick_opendir;
        name = font_find_on_stick(path);
    }
    if (name == nullptr) {
        fprintf(stderr, "ipslide-sim render: no concours-N.ttf in %s\n", dir.c_str());
        return false;
    }
    std::string font = dir + "/" + name;
    test_board::QuietStderr quiet;
    glyph_atlas_build(name, font.c_str());
    return true;
}

// --- the address ---------------------------------------------------------------

// --- the puzzle ----------------------------------------------------------------

// A touch on the middle of the cell's tile, at puzzle time ms.
void touch_cell(int32_t cell, uint32_t ms) {
    test_board::clock_set_ms(ms);
    int32_t x = GRID_LEFT + TILE_SIZE * (2 - cell / 3) + TILE_SIZE / 2;
    int32_t y = GRID_TOP + TILE_SIZE * (cell % 3) + TILE_SIZE / 2;
    puzzle_touch(x, y);
}

// --- the screen ----------------------------------------------------------------

// The driver takes exactly the panel's mode, as the simulated /dev/fb0 does.
bool present_frame() {
    PlatformGuard guard;
    test_board::screen_install();
    fb_open();
    std::string why = fb_mode_mismatch(test_board::screen_mode());
    if (!why.empty()) {
        fprintf(stderr, "ipslide-sim render: /dev/fb0 refuses the video mode: %s\n", why.c_str());
        return false;
    }
    fb_present();
    return true;
}

// --- the still -----------------------------------------------------------------

bool prepare(const RenderOptions &o) {
    std::string dir = o.stick;
    if (dir.empty() && !make_default_stick(o.font_size, &dir)) {
        return false;
    }
    if (!load_font(dir)) {
        return false;
    }
    compose_backgrounds();
    // What the DHCP script would do. An empty text is the same as none (a read
    // of nothing would wait for ever on the board).
    if (o.has_address && !o.address.empty() &&
        !test_board::deliver_address(o.address.data(), o.address.size())) {
        return false;
    }
    puzzle_mark_visited(o.visited ? 1 : 0);
    if (o.has_board) {
        puzzle_place(o.board);
    }
    return true;
}

// Both scene clocks start at 0; the scene is drawn with its clock at --elapsed.
void render_scene(const RenderOptions &o) {
    PlatformGuard guard;
    test_board::clock_install(0);
    time_base_init();
    if (o.has_slide) {
        touch_cell(o.slide_cell, o.slide_ms);
    }
    if (o.has_victory) {
        // The fanfare counts as played, so no buzzer is needed for the still.
        puzzle_victory_since(o.victory_ms);
    }
    test_board::clock_set_ms(o.elapsed_ms);
    scene_render(o.puzzle ? SCENE_PUZZLE : SCENE_ADDRESS);
}

} // namespace

int render_main(int argc, char **argv) {
    RenderOptions o;
    std::string error;
    if (!parse_render_options(argc, argv, &o, &error)) {
        fprintf(stderr, "ipslide-sim render: %s\n%s", error.c_str(), RENDER_USAGE);
        return 2;
    }
    if (!prepare(o)) {
        return 1;
    }
    render_scene(o);
    if (!present_frame()) {
        return 1;
    }
    if (!write_rgb565_png(o.out, test_board::screen(), SCREEN_W, SCREEN_H)) {
        fprintf(stderr, "ipslide-sim render: cannot write %s\n", o.out.c_str());
        return 1;
    }
    return 0;
}
