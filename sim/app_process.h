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

pid_t app_launch();

// Ends the application and every process it started; returns its wait status.
int app_stop(pid_t pid);

// Nonzero wait status when the application has ended on its own; -1 while it runs.
int app_poll(pid_t pid);

std::string describe_wait_status(int status);
