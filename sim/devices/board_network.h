// The simulated board's Ethernet for the real DHCP client: the board gets a
// network namespace of its own whose eth0 is one end of a veth pair; the other
// end, dhcp0, lives in a second namespace where BusyBox udhcpd leases one address.
// Both are made inside the board's namespaces (its user namespace when not root),
// so nothing of the host's network is touched, and both go when their last
// process or descriptor does: when the simulator ends.
#pragma once

#include <string>
#include <sys/types.h>

struct SimOptions;

// The full path of an installed program (PATH, then the sbin folders), or "".
std::string find_program(const char *name);

// In the simulator, before the namespaces are made: checks that busybox and ip
// are there and writes the server's configuration into the boot's folder. Exits
// with status 2, saying why, when something is missing.
void board_network_prepare(const SimOptions &options);

// In the namespace helper, already in the board's fresh network namespace:
// brings up lo, starts the server's namespace with udhcpd in it and joins the two
// by the veth pair. Returns the server's process id; on a failure says why and
// ends the helper with status 2. `simulator` is the simulator's process id: the
// server ends with it.
pid_t board_network_build(pid_t simulator);

// In the simulator: takes over the server's process id, a datagram socket in the
// board's namespace (interface requests through it reach the board's eth0) and
// that namespace's descriptor.
void board_network_adopt(pid_t server, int status_socket, int namespace_fd);

// The socket in the board's namespace, -1 without one.
int board_network_socket();
// The board's network namespace as /proc/PID/ns/net shows it (its inode), 0 without one.
ino_t board_network_namespace();
// Pauses (SIGSTOP) or resumes (SIGCONT) the DHCP server: a paused one answers nothing.
void board_network_server_pause(bool paused);
// Replaces udhcpd by dnsmasq, authoritative for the same network but leasing
// `address` only: a client renewing the old lease gets a NAK, then the new one.
// False with *error set when dnsmasq is missing or cannot be started.
bool board_network_server_renumber(const std::string &address, std::string *error);
// The board's running udhcpc, from the pid file it keeps in the board's /tmp; -1 if none.
pid_t board_network_client_pid();
// The address eth0 has now (network byte order), false when it has none.
bool board_network_eth0_address(uint32_t *address);

// The running DHCP server's own lease file, and the lease such a file records, ""
// for none: udhcpd's records, or dnsmasq's lines (a name ending dnsmasq.leases).
// False when the file cannot be read.
std::string board_network_lease_file();
bool lease_file_lease(const std::string &path, std::string *lease);
// Ends the server; the namespaces go with the simulator's last descriptors.
void board_network_cleanup();
