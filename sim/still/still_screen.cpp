#include "still/still_board.h"

#include "display/framebuffer.h"
#include "platform/platform.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace still {

namespace {

alignas(64) uint16_t pixels[SCREEN_W * SCREEN_H];
fb_var_screeninfo mode;
int fb_fd = -1;
Platform before;

// A real descriptor, so that whatever the code does with it (close, a stray
// read) stays harmless.
int screen_open(const char *path, int flags, mode_t perm) {
    if (strcmp(path, "/dev/fb0") != 0) {
        return before.open(path, flags, perm);
    }
    fb_fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    return fb_fd;
}

int screen_ioctl(int fd, unsigned long request, void *arg) {
    if (fd != fb_fd || fd < 0) {
        return before.ioctl(fd, request, arg);
    }
    if (request != FBIOPUT_VSCREENINFO) {
        errno = ENOTTY;
        return -1;
    }
    mode = *static_cast<fb_var_screeninfo *>(arg);
    return 0;
}

void *screen_mmap(void *addr, size_t length, int prot, int flags, int fd, off_t offset) {
    if (fd != fb_fd || fd < 0) {
        return before.mmap(addr, length, prot, flags, fd, offset);
    }
    if (offset != 0 || length > sizeof pixels) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    return pixels;
}

} // namespace

void screen_install() {
    before = platform;
    platform.open = screen_open;
    platform.ioctl = screen_ioctl;
    platform.mmap = screen_mmap;
}

uint16_t *screen() {
    return pixels;
}

const fb_var_screeninfo &screen_mode() {
    return mode;
}

} // namespace still
