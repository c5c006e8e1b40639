// The application's moments, as the guest kernel's syscall tracepoints tell them:
// the agent follows the main process's own system calls and keeps what the
// simulated board learns from the platform table's `moment` entry in the shared
// page (qemu/guest_dm9000.h) for the host.
//
// - a frame is shown each time the main process begins an event wait (select);
//   one without a time limit (a NULL timeout) is idle, until it ends or the pen
//   goes down;
// - once it has shown a frame, each of its sleeps (musl's usleep is the 32-bit
//   nanosleep) is the pause after a frame of a slide;
// - the address has been read once the main process has read and closed its end
//   of the address pipe (descriptor 3: the pipe is its first, made just after
//   descriptors 0..2 are reopened on /dev/null);
// - the main process is the latest to exec an `ipslide`: each start by init
//   begins anew, and its workers, which never exec it, are not followed.
#pragma once

// Opens the trace the sysinit has set up and returns the descriptor poll watches
// for its events, -1 when it cannot be followed.
int moments_follow();
// Takes in every event the kernel has recorded so far.
void moments_take();
// The pen goes down now: an idle wait begun before has not seen it.
void moments_pressed();
// The main process's pid, 0 before the application's first start.
int moments_main_pid();
// Takes every event in, for a host that must know the shared page is current.
const char *moments_report();
