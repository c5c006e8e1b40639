// The DHCP client started by exec: BusyBox's udhcpc on the board's own network
// (board_network.h), running the shipped script.
#pragma once

struct SimOptions;

void dhcp_init(const SimOptions &options);
int dhcp_exec(const char *path, char *const argv[]);

// One line about the network for the window title: link, fixed address, lease.
const char *net_status();
