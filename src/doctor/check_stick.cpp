#include "doctor/board_files.h"
#include "doctor/checks.h"
#include "doctor/report.h"
#include "font/font_discovery.h"
#include "font/font_name.h"
#include "font/glyph_atlas.h"
#include "platform/platform.h"

#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr char CHECK[] = "stick";
constexpr char WAITS[] = "ipslide waits for the stick for ever, before the screen opens";

// The first font name in readdir order, as the application takes it.
bool find_font(const char *dir, char *name, size_t size, int *fonts) {
    DIR *folder = platform.opendir(dir);
    *fonts = 0;
    for (dirent *entry = folder != nullptr ? platform.readdir(folder) : nullptr; entry != nullptr;
         entry = platform.readdir(folder)) {
        if (font_name_matches(entry->d_name) && (*fonts)++ == 0) {
            snprintf(name, size, "%s", entry->d_name);
        }
    }
    if (folder != nullptr) {
        platform.closedir(folder);
    }
    return *fonts > 0;
}

// FreeType ends the process on any failure, so the atlas is built in a child,
// whose notes on each glyph's box stay off the report.
bool renders(const char *name, const char *path) {
    pid_t child = platform.fork();
    if (child == 0) {
        int quiet = platform.open("/dev/null", O_WRONLY, 0);
        platform.dup2(quiet, STDERR_FILENO);
        platform._exit(glyph_atlas_build(name, path));
    }
    int status = 0;
    return child > 0 && platform.waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

void check_font(const char *dir) {
    char name[256], path[512], found[400];
    int fonts = 0;
    if (!find_font(dir, name, sizeof name, &fonts)) {
        report_fail(CHECK, "the stick holds no concours-N.ttf (N from 1 to 300)",
                    "ipslide exits 1 at start, and init starts it again",
                    "copy the digits' TrueType font onto the stick as concours-N.ttf, N its "
                    "pixel size");
        return;
    }
    snprintf(path, sizeof path, "%s/%s", dir, name);
    struct stat info;
    bool empty = platform.stat(path, &info) == 0 && info.st_size == 0;
    int32_t size = font_name_pixel_size(name);
    if (empty || size == 0 || !renders(name, path)) {
        snprintf(found, sizeof found, "%s %s", name,
                 empty       ? "is empty (0 bytes)"
                 : size == 0 ? "names no pixel size from 1 to 300"
                             : "cannot be rendered by FreeType");
        report_fail(CHECK, found, "ipslide exits 1 at start, and init starts it again",
                    "a TrueType font with the digits and the point, named concours-N.ttf");
        return;
    }
    report_ok(CHECK, "/dev/sda1 (ext4) holds %s: size %d, atlas %dx%d%s", name, size, ATLAS_W,
              ATLAS_H, fonts > 1 ? " (the first of several fonts; ipslide takes it too)" : "");
}

} // namespace

void check_stick(const char *mount_dir) {
    struct stat info;
    if (platform.stat(STICK_DEVICE, &info) != 0 || !S_ISBLK(info.st_mode)) {
        report_no_stick_device();
        return;
    }
    bool made = platform.mkdir(mount_dir, 0700) == 0;
    if (platform.mount(STICK_DEVICE, mount_dir, "ext4", MS_RDONLY, nullptr) != 0) {
        char found[128];
        snprintf(found, sizeof found, "/dev/sda1 does not mount as ext4: %s", error_text());
        report_fail(CHECK, found, WAITS,
                    "an ext4 first partition (tools/make-stick) and CONFIG_EXT4_FS=y");
    } else {
        check_font(mount_dir);
        platform.umount2(mount_dir, 0);
    }
    if (made) {
        platform.rmdir(mount_dir);
    }
}
