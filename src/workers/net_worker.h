// The network worker: a child that waits for the Ethernet link, sets eth0 and
// becomes the DHCP client, whose script writes the leased address into the
// address pipe; and the main process's single read of that pipe.
#pragma once

#include <sys/types.h>

// The descriptor on which the DHCP client and its script get the address pipe's
// write end. BusyBox udhcpc from 1.31 on takes 3 and 4 for a pipe of its own,
// closing whatever was there, and POSIX shells keep their own descriptors at 10
// and above: 9 is left alone by both, by old clients and new.
constexpr int ADDRESS_HANDOVER_FD = 9;

// Points descriptors 0..2 at /dev/null, creates the address pipe and forks. The
// worker keeps only the write end, moved to ADDRESS_HANDOVER_FD and non-blocking;
// "dup2" and "fcntl" failures there exit 1.
pid_t net_worker_start();

// In any other child: closes its copies of the address pipe, so that once the main
// process has read and closed it nobody holds the read end, and a late write by
// the DHCP script fails at once instead of filling a pipe nobody reads.
void address_pipe_release();

// The read end of the address pipe, or -1 once the address has been received.
int address_pipe_fd();

// Reads the address once, closes the pipe and measures the text; 0 if already done.
int address_receive();

// The received address, empty until it arrives.
const char *address_text();
