// The discovery against a real ext4 stick: an image built with mkfs.ext4, loop-
// mounted read-only on /tmp/d inside a private mount namespace, read with the real
// opendir/readdir and rendered by FreeType from the mounted file.
#include "devices/child_process.h"
#include "font/font_discovery.h"
#include "font/glyph_atlas.h"
#include "font_files.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr char IMAGE[] = "/tmp/stick.img";

[[noreturn]] void give_up(const char *what) {
    fprintf(stderr, "setup failed: %s: %s\n", what, strerror(errno));
    _exit(3);
}

// Runs a program quietly; true when it exits with status 0.
bool run(const std::vector<std::string> &words) {
    ChildSetup quiet;
    quiet.output_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    bool ok = run_process(words, nullptr, quiet);
    close(quiet.output_fd);
    return ok;
}

// The board's mount, played by a loop device over the image: no stick on the first
// try, as if it were plugged in while the program waits.
int plug_in_image(const char *source, const char *target, const char *type, unsigned long flags,
                  const void *data) {
    static int attempts = 0;
    if (strcmp(source, "/dev/sda1") != 0 || strcmp(target, "/tmp/d") != 0 ||
        strcmp(type, "ext4") != 0 || flags != MS_RDONLY || data != nullptr) {
        errno = EINVAL;
        return -1;
    }
    if (attempts++ == 0) {
        errno = ENODEV;
        return -1;
    }
    return run({"mount", "-t", "ext4", "-o", "loop,ro", IMAGE, "/tmp/d"}) ? 0 : -1;
}

// In a forked child: a private /tmp, the stick image made there, the discovery run
// on it. Reports on standard error what the death test matches.
void discover_on_image() {
    if (unshare(CLONE_NEWNS) != 0) {
        give_up("unshare");
    }
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", "/tmp", "tmpfs", 0, "size=32m") != 0) {
        give_up("private /tmp");
    }
    std::error_code error;
    std::filesystem::create_directory("/tmp/files", error);
    std::filesystem::copy_file(DEJAVU_BOLD, "/tmp/files/concours-48.ttf", error);
    if (error) {
        give_up("copying the font");
    }
    if (!run({"mkfs.ext4", "-q", "-F", "-d", "/tmp/files", IMAGE, "4M"})) {
        give_up("mkfs.ext4 -d");
    }
    platform.mount = plug_in_image;
    font_load_from_usb();
    struct statvfs fs;
    if (statvfs("/tmp/d", &fs) != 0) {
        give_up("statvfs /tmp/d");
    }
    int32_t offsets[GLYPH_COUNT];
    int32_t widths[GLYPH_COUNT];
    int32_t height = 0;
    glyph_atlas_metrics(offsets, widths, &height);
    fprintf(stderr, "%s glyph_height %d\n", (fs.f_flag & ST_RDONLY) ? "read-only" : "writable",
            height);
    _exit(0);
}

TEST(StickImage, FontIsFoundOnALoopMountedExt4Stick) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "loop-mounting an ext4 image in a private mount namespace needs root; "
                        "run this test as root to cover it (CI does)";
    }
    // Add /sbin for mkfs.ext4 and mount, whatever the caller's PATH.
    std::string path =
        std::string(getenv("PATH") ? getenv("PATH") : "") + ":/usr/sbin:/sbin:/usr/bin:/bin";
    setenv("PATH", path.c_str(), 1);
    EXPECT_EXIT(discover_on_image(), testing::ExitedWithCode(0),
                "^(x [0-9]+ y [0-9]+ x_max [0-9]+ y_max [0-9]+\n){11}"
                "read-only glyph_height 58\n$");
}

} // namespace
