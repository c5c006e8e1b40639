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

// Every entry of the platform table, in table order: X(name, result, parameters).
// The table's members, the board's forwarders (board_platform.cpp) and the fault
// walker's entries all come from this one list, so none of them can lose an entry.
#define PLATFORM_ENTRIES(X)                                                                        \
    X(open, int, (const char *path, int flags, mode_t mode))                                       \
    X(read, ssize_t, (int fd, void *buf, size_t count))                                            \
    X(write, ssize_t, (int fd, const void *buf, size_t count))                                     \
    X(close, int, (int fd))                                                                        \
    X(pipe, int, (int fds[2]))                                                                     \
    X(dup2, int, (int fd, int to))                                                                 \
    /* fcntl is variadic; the commands used here take one integer argument. */                     \
    X(fcntl, int, (int fd, int command, int arg))                                                  \
    X(fork, pid_t, ())                                                                             \
    /* execl is variadic; callers pass the argument list as a null-terminated array. */            \
    X(execv, int, (const char *path, char *const argv[]))                                          \
    X(select, int,                                                                                 \
      (int nfds, fd_set *readfds, fd_set *writefds, fd_set *exceptfds, struct timeval *timeout))   \
    X(ioctl, int, (int fd, unsigned long request, void *arg))                                      \
    X(mmap, void *, (void *addr, size_t length, int prot, int flags, int fd, off_t offset))        \
    X(munmap, int, (void *addr, size_t length))                                                    \
    X(mlockall, int, (int flags))                                                                  \
    X(munlockall, int, ())                                                                         \
    X(mount, int,                                                                                  \
      (const char *source, const char *target, const char *fstype, unsigned long flags,            \
       const void *data))                                                                          \
    X(mkdir, int, (const char *path, mode_t mode))                                                 \
    X(rmdir, int, (const char *path))                                                              \
    X(umount2, int, (const char *target, int flags))                                               \
    /* The board check reaps the child it tries the font in; ipslide reaps nothing. */             \
    X(waitpid, pid_t, (pid_t pid, int *status, int options))                                       \
    X(mknod, int, (const char *path, mode_t mode, dev_t dev))                                      \
    X(opendir, DIR *, (const char *path))                                                          \
    X(readdir, struct dirent *, (DIR * dir))                                                       \
    X(closedir, int, (DIR * dir))                                                                  \
    X(socket, int, (int domain, int type, int protocol))                                           \
    X(clock_gettime, int, (clockid_t clock, struct timespec * ts))                                 \
    X(gettimeofday, int, (struct timeval * tv, void *tz))                                          \
    X(usleep, int, (useconds_t usec))                                                              \
    X(stat, int, (const char *path, struct stat *info))                                            \
    X(unlink, int, (const char *path))                                                             \
    /* prctl is variadic; the options used here take one argument. */                              \
    X(prctl, int, (int option, unsigned long arg))                                                 \
    X(getpid, pid_t, ())                                                                           \
    X(getppid, pid_t, ())                                                                          \
    /* Ends the process at once: no exit handlers, no flushing. Never returns. */                  \
    X(_exit, void, (int status))                                                                   \
    /* Tells a simulated board what the application is doing, so it never has to */                \
    /* guess it from the order or length of calls. Does nothing on the board. */                   \
    X(moment, void, (AppMoment moment, const char *detail))                                        \
    /* Register accessors for /dev/mem mappings: exactly one access per call, in */                \
    /* program order, never merged or dropped. */                                                  \
    X(reg_read8, uint8_t, (volatile uint8_t * reg))                                                \
    X(reg_write8, void, (volatile uint8_t * reg, uint8_t value))                                   \
    X(reg_read32, uint32_t, (volatile uint32_t * reg))                                             \
    X(reg_write32, void, (volatile uint32_t * reg, uint32_t value))

struct Platform {
#define PLATFORM_MEMBER(name, result, parameters) result(*name) parameters;
    PLATFORM_ENTRIES(PLATFORM_MEMBER)
#undef PLATFORM_MEMBER
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
