#include "font/font_discovery.h"

#include "font/font_name.h"
#include "font/glyph_atlas.h"
#include "font/mount_table.h"
#include "platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/mount.h>
#include <sys/stat.h>

namespace {

constexpr useconds_t MOUNT_RETRY_US = 10;

char font_path[FONT_PATH_SIZE];

// The name is copied into path before the folder is closed (the entry's memory
// belongs to the folder). A name too long for the path is passed over: a
// truncated path would name some other file.
bool build_path(char (&path)[FONT_PATH_SIZE], const char *name) {
    int n = snprintf(path, sizeof path, "/tmp/d/%s", name);
    return n > 0 && n < FONT_PATH_SIZE;
}

bool is_directory(const char *path) {
    struct stat info;
    return platform.stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// An earlier start in this boot made the folder already: it is used as it is.
// Anything else in the way is the "mkdir" failure, with mkdir's own error.
void make_mount_point() {
    if (platform.mkdir(MOUNT_POINT, 0755) == 0) {
        return;
    }
    int error = errno;
    if (error == EEXIST && is_directory(MOUNT_POINT)) {
        return;
    }
    errno = error;
    perror("mkdir");
    exit(1);
}

} // namespace

void font_mount_stick() {
    make_mount_point();
    // The stick an earlier start mounted is still there; a second mount would
    // only hide the first.
    if (mount_table_has(MOUNT_POINT)) {
        return;
    }
    // No stick yet (or not ext4): keep trying, a stick plugged in later is taken.
    while (platform.mount(STICK_DEVICE, MOUNT_POINT, "ext4", MS_RDONLY, nullptr) != 0) {
        platform.usleep(MOUNT_RETRY_US);
    }
}

const char *font_find_on_stick(char (&path)[FONT_PATH_SIZE]) {
    DIR *dir = platform.opendir(MOUNT_POINT);
    if (dir == nullptr) {
        return nullptr;
    }
    for (struct dirent *entry = platform.readdir(dir); entry != nullptr;
         entry = platform.readdir(dir)) {
        if (font_name_matches(entry->d_name) && build_path(path, entry->d_name)) {
            platform.closedir(dir);
            return path + sizeof MOUNT_POINT;
        }
    }
    platform.closedir(dir);
    return nullptr;
}

int font_load_from_usb() {
    font_mount_stick();
    const char *name = font_find_on_stick(font_path);
    if (name == nullptr) {
        exit(1);
    }
    return glyph_atlas_build(name, font_path);
}
