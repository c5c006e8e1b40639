// The network interface requests and the DHCP client started by exec: BusyBox's
// udhcpc on the board's own network (board_network.h) or the stand-in
// (udhcpc_standin.h), with the interface requests kept here.
#pragma once

struct SimOptions;

void dhcp_init(const SimOptions &options);
int net_ioctl(int fd, unsigned long request, void *arg, bool *handled);
int dhcp_exec(const char *path, char *const argv[]);

// One line about the network for the window title: link, fixed address, lease.
const char *net_status();
