// The QEMU board: the board binary exactly as `make arm` built it, on Debian's
// kernel under qemu-system-arm's `virt` machine with one CPU, booted by BusyBox
// init with the deployed inittab, its eth0 on the board's network namespace
// (the real udhcpc in the guest against udhcpd or dnsmasq on the host side), its
// stick an ext4 disk, its touch panel and probes the guest agent, its screen
// read byte for byte from the guest's RAM. The same scenarios play on it as on
// the simulated board.
#pragma once

struct SimOptions;

// Boots the board, plays options.script on it and returns the simulator's exit
// status: 0 when the scenario ran to its end, 1 when it failed, 2 when the board
// could not be made or the script names a command the board cannot play.
int qemu_run_headless(const SimOptions &options);
