// The network worker: a child that waits for the Ethernet link, sets eth0 and
// becomes the DHCP client, whose script writes the leased address into the
// address pipe; and the main process's single read of that pipe.
#pragma once

#include <sys/types.h>

// Points descriptors 0..2 at /dev/null, creates the address pipe and forks.
pid_t net_worker_start();

// The read end of the address pipe, or -1 once the address has been received.
int address_pipe_fd();

// Reads the address once, closes the pipe and measures the text; 0 if already done.
int address_receive();

// The received address, empty until it arrives.
const char *address_text();
