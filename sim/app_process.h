// The application as a process of the simulated board: started in its own process
// group, in a private mount namespace whose /tmp is the board's, with the
// simulated platform table installed before the unchanged application starts.
#pragma once

#include "options.h"

#include <string>
#include <sys/types.h>

// Prepares the simulated boot: the board's /tmp folder and the log file.
void boot_prepare(const SimOptions &options);

// Removes the boot's /tmp folder.
void boot_cleanup();

// The application starts as on the board, with only 0, 1 and 2 open: it counts on
// its pipes becoming 3 and 4 (the DHCP script writes the address to 4). Whatever
// else the simulator has open (SDL, the shell's leftovers) is closed in the
// application's process; descriptors the simulator hands down on purpose (the log,
// a stick image) are kept at BOARD_FD_BASE and above, out of the way.
constexpr int BOARD_FD_BASE = 100;

// Moves fd to BOARD_FD_BASE or above, close-on-exec; returns the new descriptor
// (-1 if fd is -1 or the move fails, with errno set).
int board_descriptor(int fd);

pid_t app_launch();

// Ends the application and every process it started; returns its wait status.
int app_stop(pid_t pid);

// Nonzero wait status when the application has ended on its own; -1 while it runs.
int app_poll(pid_t pid);

std::string describe_wait_status(int status);
