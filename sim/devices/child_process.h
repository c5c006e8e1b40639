// Starting and reaping the programs the simulated boards run beside the
// application: ip, udhcpd, dnsmasq, mkfs, QEMU. One place for fork, exec and wait.
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// The application starts as on the board, with only 0, 1 and 2 open: its address
// pipe becomes 3 and 4, and the worker's descriptor 9 is free for the DHCP
// client's write end. Whatever
// else the simulator has open (SDL, the shell's leftovers) is closed in the
// application's process; descriptors the simulator hands down on purpose (the log,
// a stick image) are kept at BOARD_FD_BASE and above, out of the way.
constexpr int BOARD_FD_BASE = 100;

// Moves fd to BOARD_FD_BASE or above, close-on-exec; returns the new descriptor
// (-1 if fd is -1 or the move fails, with errno set).
int board_descriptor(int fd);
// A descriptor (as board_descriptor) on process pid's namespace of `kind` ("mnt",
// "net", "user"): it keeps the namespace alive after the process has gone.
int namespace_descriptor(pid_t pid, const char *kind);

struct ChildSetup {
    // Runs in the child before the exec (joining a namespace, say); it may _exit.
    std::function<void()> before_exec;
    int output_fd = -1;          // standard output and error; -1 keeps ours
    bool die_with_parent = true; // SIGKILL when the process that started it ends
};

// Starts words[0] (a path, or a name looked up in PATH) with the other words as
// its arguments. Returns the process id, -1 with errno set when fork failed. A
// program that cannot be executed ends with status 127.
pid_t start_process(const std::vector<std::string> &words, const ChildSetup &setup = {});

// Runs a program to its end; true when it exited with status 0. *why (if given)
// says how it ended otherwise.
bool run_process(const std::vector<std::string> &words, std::string *why = nullptr,
                 const ChildSetup &setup = {});

// Collects a process that has ended: -1 while it runs (or with `block`, waits)
// and for a pid that is not a process's (a failed start), else its wait status.
int reap_process(pid_t pid, bool block);

// "exited with status 1", "ended by signal Killed".
std::string describe_wait_status(int status);
