// The application as a process of the simulated board: started in its own process
// group, in the board's mount namespace whose /tmp is the boot's folder, with the
// simulated platform table installed before the unchanged application starts.
// The simulator is the board's init: an application that ends is started again in
// the same boot (same /tmp, same stick, same board state), like an inittab
// ::respawn: line.
#pragma once

#include "devices/child_process.h"
#include "options.h"

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

// Prepares the simulated boot: the board's /tmp folder, its mount namespace and
// the log file.
void boot_prepare(const SimOptions &options);

// Removes the boot's /tmp folder.
void boot_cleanup();

// The first start of the boot; returns its main process.
pid_t app_launch();

// Like init's respawn: when the running start has ended, says so and starts the
// application again, returning -1 as long as the application runs. It gives up,
// returning the last wait status, once the application has ended on its own
// RESPAWN_LIMIT times within RESPAWN_WINDOW_MS ("respawning too fast"); ends
// asked for by app_kill do not count.
constexpr int RESPAWN_LIMIT = 10;
constexpr int RESPAWN_WINDOW_MS = 120000;
int app_poll();

// SIGKILL to the running start's main process only (its workers must go by their
// own death signal), then the next start at once. Returns the new main process.
pid_t app_kill();

// The main process of the start running now, and how many starts there were.
pid_t app_running();
int app_starts();
// Event waits the running start's main process has begun: one per frame shown.
uint32_t app_frames_since_start();
// The process groups of the starts that have ended: no process may stay in them.
const std::vector<pid_t> &app_ended_groups();

// Ends the application and every process of every start; returns the running
// start's wait status.
int app_stop();
