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

int sys_open(const char *path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}
ssize_t sys_read(int fd, void *buf, size_t n) {
    return ::read(fd, buf, n);
}
ssize_t sys_write(int fd, const void *buf, size_t n) {
    return ::write(fd, buf, n);
}
int sys_close(int fd) {
    return ::close(fd);
}
int sys_pipe(int fds[2]) {
    return ::pipe(fds);
}
int sys_dup2(int fd, int to) {
    return ::dup2(fd, to);
}
int sys_fcntl(int fd, int command, int arg) {
    return ::fcntl(fd, command, arg);
}
pid_t sys_fork() {
    return ::fork();
}
int sys_execv(const char *path, char *const argv[]) {
    return ::execv(path, argv);
}
int sys_select(int n, fd_set *r, fd_set *w, fd_set *e, struct timeval *t) {
    return ::select(n, r, w, e, t);
}
int sys_ioctl(int fd, unsigned long request, void *arg) {
    return ::ioctl(fd, request, arg);
}
void *sys_mmap(void *addr, size_t len, int prot, int flags, int fd, off_t off) {
    return ::mmap(addr, len, prot, flags, fd, off);
}
int sys_munmap(void *addr, size_t len) {
    return ::munmap(addr, len);
}
int sys_mount(const char *src, const char *dst, const char *type, unsigned long flags,
              const void *data) {
    return ::mount(src, dst, type, flags, data);
}
int sys_mkdir(const char *path, mode_t mode) {
    return ::mkdir(path, mode);
}
int sys_mknod(const char *path, mode_t mode, dev_t dev) {
    return ::mknod(path, mode, dev);
}
DIR *sys_opendir(const char *path) {
    return ::opendir(path);
}
struct dirent *sys_readdir(DIR *dir) {
    return ::readdir(dir);
}
int sys_closedir(DIR *dir) {
    return ::closedir(dir);
}
int sys_socket(int domain, int type, int protocol) {
    return ::socket(domain, type, protocol);
}
int sys_clock_gettime(clockid_t clock, struct timespec *ts) {
    return ::clock_gettime(clock, ts);
}
int sys_gettimeofday(struct timeval *tv, void *) {
    return ::gettimeofday(tv, nullptr);
}
int sys_usleep(useconds_t usec) {
    return ::usleep(usec);
}
int sys_stat(const char *path, struct stat *info) {
    return ::stat(path, info);
}
int sys_unlink(const char *path) {
    return ::unlink(path);
}
int sys_rmdir(const char *path) {
    return ::rmdir(path);
}
int sys_umount2(const char *target, int flags) {
    return ::umount2(target, flags);
}
pid_t sys_waitpid(pid_t pid, int *status, int options) {
    return ::waitpid(pid, status, options);
}
int sys_mlockall(int flags) {
    return ::mlockall(flags);
}
int sys_munlockall() {
    return ::munlockall();
}
int sys_prctl(int option, unsigned long arg) {
    return ::prctl(option, arg);
}
pid_t sys_getpid() {
    return ::getpid();
}
pid_t sys_getppid() {
    return ::getppid();
}
[[noreturn]] void sys_exit_now(int status) {
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

void no_moment(AppMoment, const char *) {}

constexpr Platform BOARD = {
    .open = sys_open,
    .read = sys_read,
    .write = sys_write,
    .close = sys_close,
    .pipe = sys_pipe,
    .dup2 = sys_dup2,
    .fcntl = sys_fcntl,
    .fork = sys_fork,
    .execv = sys_execv,
    .select = sys_select,
    .ioctl = sys_ioctl,
    .mmap = sys_mmap,
    .munmap = sys_munmap,
    .mlockall = sys_mlockall,
    .munlockall = sys_munlockall,
    .mount = sys_mount,
    .mkdir = sys_mkdir,
    .rmdir = sys_rmdir,
    .umount2 = sys_umount2,
    .waitpid = sys_waitpid,
    .mknod = sys_mknod,
    .opendir = sys_opendir,
    .readdir = sys_readdir,
    .closedir = sys_closedir,
    .socket = sys_socket,
    .clock_gettime = sys_clock_gettime,
    .gettimeofday = sys_gettimeofday,
    .usleep = sys_usleep,
    .stat = sys_stat,
    .unlink = sys_unlink,
    .prctl = sys_prctl,
    .getpid = sys_getpid,
    .getppid = sys_getppid,
    ._exit = sys_exit_now,
    .moment = no_moment,
    .reg_read8 = reg_read8,
    .reg_write8 = reg_write8,
    .reg_read32 = reg_read32,
    .reg_write32 = reg_write32,
};

} // namespace

Platform platform = BOARD;

const Platform &board_platform() {
    return BOARD;
}
