#include "platform/platform.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// One forwarder per entry, named as the entry: the table below takes them by the
// names of the one list, so a forwarder missing here fails the build.
namespace forward {

int open(const char *path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}
ssize_t read(int fd, void *buf, size_t n) {
    return ::read(fd, buf, n);
}
ssize_t write(int fd, const void *buf, size_t n) {
    return ::write(fd, buf, n);
}
int close(int fd) {
    return ::close(fd);
}
int pipe(int fds[2]) {
    return ::pipe(fds);
}
int dup2(int fd, int to) {
    return ::dup2(fd, to);
}
int fcntl(int fd, int command, int arg) {
    return ::fcntl(fd, command, arg);
}
pid_t fork() {
    return ::fork();
}
int execv(const char *path, char *const argv[]) {
    return ::execv(path, argv);
}
int select(int n, fd_set *r, fd_set *w, fd_set *e, struct timeval *t) {
    return ::select(n, r, w, e, t);
}
int ioctl(int fd, unsigned long request, void *arg) {
    return ::ioctl(fd, request, arg);
}
void *mmap(void *addr, size_t len, int prot, int flags, int fd, off_t off) {
    return ::mmap(addr, len, prot, flags, fd, off);
}
int munmap(void *addr, size_t len) {
    return ::munmap(addr, len);
}
int mount(const char *src, const char *dst, const char *type, unsigned long flags,
          const void *data) {
    return ::mount(src, dst, type, flags, data);
}
int mkdir(const char *path, mode_t mode) {
    return ::mkdir(path, mode);
}
int mknod(const char *path, mode_t mode, dev_t dev) {
    return ::mknod(path, mode, dev);
}
DIR *opendir(const char *path) {
    return ::opendir(path);
}
struct dirent *readdir(DIR *dir) {
    return ::readdir(dir);
}
int closedir(DIR *dir) {
    return ::closedir(dir);
}
int socket(int domain, int type, int protocol) {
    return ::socket(domain, type, protocol);
}
int clock_gettime(clockid_t clock, struct timespec *ts) {
    return ::clock_gettime(clock, ts);
}
int gettimeofday(struct timeval *tv, void *) {
    return ::gettimeofday(tv, nullptr);
}
int usleep(useconds_t usec) {
    return ::usleep(usec);
}
int stat(const char *path, struct stat *info) {
    return ::stat(path, info);
}
int unlink(const char *path) {
    return ::unlink(path);
}
int rmdir(const char *path) {
    return ::rmdir(path);
}
int umount2(const char *target, int flags) {
    return ::umount2(target, flags);
}
pid_t waitpid(pid_t pid, int *status, int options) {
    return ::waitpid(pid, status, options);
}
int mlockall(int flags) {
    return ::mlockall(flags);
}
int munlockall() {
    return ::munlockall();
}
int prctl(int option, unsigned long arg) {
    return ::prctl(option, arg);
}
pid_t getpid() {
    return ::getpid();
}
pid_t getppid() {
    return ::getppid();
}
[[noreturn]] void _exit(int status) {
    ::_exit(status);
}

uint8_t reg_read8(volatile uint8_t *reg) {
    return *reg;
}
void reg_write8(volatile uint8_t *reg, uint8_t value) {
    *reg = value;
}
uint32_t reg_read32(volatile uint32_t *reg) {
    return *reg;
}
void reg_write32(volatile uint32_t *reg, uint32_t value) {
    *reg = value;
}

void moment(AppMoment, const char *) {}

} // namespace forward

constexpr Platform BOARD = {
#define FORWARDER(name, result, parameters) .name = forward::name,
    PLATFORM_ENTRIES(FORWARDER)
#undef FORWARDER
};

} // namespace

Platform platform = BOARD;

const Platform &board_platform() {
    return BOARD;
}
