// The network worker's steps after the fork: wait for the Ethernet link on the
// DM9000's ports, give eth0 its fixed address, and become the DHCP client.
#pragma once

#include <cstdint>

// The controller's ports as mapped from /dev/mem: index at byte 0, data at byte 4.
constexpr uint32_t DM9000_BASE = 0x20000000;
constexpr uint32_t DM9000_WINDOW = 1024;
constexpr uint8_t DM9000_NSR = 1;         // network status register
constexpr uint8_t DM9000_NSR_LINK = 0x40; // set while the link is up

// The DHCP client the worker becomes, and the script it hands the address to.
constexpr char UDHCPC_PATH[] = "/sbin/udhcpc";
constexpr char UDHCPC_SCRIPT[] = "/etc/udhcpc.conf";

// Selects the status register at the index port and reads it at the data port.
uint8_t dm9000_read_nsr(volatile uint8_t *ports);

// Reads the status register that way on every round until the link bit shows.
// No pause, no limit.
void link_wait(volatile uint8_t *ports);

// Sets the up/broadcast/running/multicast flags and 192.168.1.230 on eth0
// through a datagram socket. "socket" and "ioctl" failures exit 1.
void interface_configure();

// The whole worker: map the controller, wait for the link, configure eth0 and
// exec "/sbin/udhcpc -f". Never returns; "/dev/mem" and "mmap" failures abort.
[[noreturn]] void net_worker_run();
