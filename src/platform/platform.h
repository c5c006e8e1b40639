// The seam between the application and the system. Every system call the
// application makes goes through the one table `platform`, so the simulated board
// can play the hardware and tests can fail or observe single calls. The table holds
// no logic: on the board each entry is a one-line forwarder (board_platform.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

// The moments of the application that a simulated board's scenarios wait for.
enum AppMoment : int {
    MOMENT_WAIT_TIMED,       // an event wait with a time limit begins: a frame is shown
    MOMENT_WAIT_IDLE,        // an event wait without a limit begins: the scene is still
    MOMENT_WAIT_OVER,        // the event wait has ended
    MOMENT_SLIDE_PAUSE,      // the pause after a frame of a slide begins
    MOMENT_SLIDE_PAUSE_OVER, // that pause has ended
    MOMENT_ADDRESS_READ,     // the leased address has been read; detail is its text
};

struct Platform {
    int (*open)(const char *path, int flags, mode_t mode);
    ssize_t (*read)(int fd, void *buf, size_t count);
    ssize_t (*write)(int fd, const void *buf, size_t count);
    int (*close)(int fd);
    int (*pipe)(int fds[2]);
    int (*dup2)(int fd, int to);
    // fcntl is variadic; the commands used here take one integer argument.
    int (*fcntl)(int fd, int command, int arg);
    pid_t (*fork)();
    // execl is variadic; callers pass the argument list as a null-terminated array.
    int (*execv)(const char *path, char *const argv[]);
    int (*select)(int nfds, fd_set *readfds, fd_set *writefds, fd_set *exceptfds,
                  struct timeval *timeout);
    int (*ioctl)(int fd, unsigned long request, void *arg);
    void *(*mmap)(void *addr, size_t length, int prot, int flags, int fd, off_t offset);
    int (*munmap)(void *addr, size_t length);
    int (*mlockall)(int flags);
    int (*munlockall)();
    int (*mount)(const char *source, const char *target, const char *fstype, unsigned long flags,
                 const void *data);
    int (*mkdir)(const char *path, mode_t mode);
    int (*rmdir)(const char *path);
    int (*umount2)(const char *target, int flags);
    // The board check reaps the child it tries the font in; ipslide reaps nothing.
    pid_t (*waitpid)(pid_t pid, int *status, int options);
    int (*mknod)(const char *path, mode_t mode, dev_t dev);
    DIR *(*opendir)(const char *path);
    struct dirent *(*readdir)(DIR *dir);
    int (*closedir)(DIR *dir);
    int (*socket)(int domain, int type, int protocol);
    int (*clock_gettime)(clockid_t clock, struct timespec *ts);
    int (*gettimeofday)(struct timeval *tv, void *tz);
    int (*usleep)(useconds_t usec);
    int (*stat)(const char *path, struct stat *info);
    int (*unlink)(const char *path);
    // prctl is variadic; the options used here take one argument.
    int (*prctl)(int option, unsigned long arg);
    pid_t (*getpid)();
    pid_t (*getppid)();
    // Ends the process at once: no exit handlers, no flushing. Never returns.
    void (*_exit)(int status);
    // Tells a simulated board what the application is doing, so it never has to
    // guess it from the order or length of calls. Does nothing on the board.
    void (*moment)(AppMoment moment, const char *detail);

    // Register accessors for /dev/mem mappings: exactly one access per call, in
    // program order, never merged or dropped.
    uint8_t (*reg_read8)(volatile uint8_t *reg);
    void (*reg_write8)(volatile uint8_t *reg, uint8_t value);
    uint32_t (*reg_read32)(volatile uint32_t *reg);
    void (*reg_write32)(volatile uint32_t *reg, uint32_t value);
};

extern Platform platform;

// How /dev/mem is opened for the SoC's and the DM9000's registers: read-write,
// synchronous, flag value 0x1002. That was O_RDWR | O_SYNC in the ABI this board
// was brought up with; today's headers spell O_SYNC as __O_SYNC | O_DSYNC, and the
// bit the kernel's /dev/mem looks at to map the registers uncached is O_DSYNC, on
// ARM and on the host.
constexpr int DEV_MEM_FLAGS = O_RDWR | O_DSYNC;
static_assert(DEV_MEM_FLAGS == 0x1002, "/dev/mem is opened read-write, synchronous: 0x1002");

// The table as the board has it: the C library and plain volatile accesses.
const Platform &board_platform();
