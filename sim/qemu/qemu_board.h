// The QEMU board: the board binary exactly as `make arm` built it, on Debian's
// kernel under qemu-system-arm's `virt` machine with one CPU, booted by BusyBox
// init with the deployed inittab, its eth0 on the board's network namespace
// (the real udhcpc in the guest against udhcpd or dnsmasq on the host side), its
// stick an ext4 disk, its touch panel and probes the guest agent, its screen
// read byte for byte from the guest's RAM. The same scenarios play on it as on
// the simulated board.
#pragma once

#include "scenario/commands.h"

// Its table for the scenario player (qemu_board.cpp): booting, the kernel's
// verdict at shutdown, the guest agent behind the commands both boards play.
const ScenarioBoard &qemu_scenario_board();

// The commands only it plays (qemu_commands.cpp): probes of the guest.
CommandFunction run_inspect, run_expect_no_zombies, run_pageout, run_watch_masked_faults,
    run_expect_no_masked_faults, run_wait_console;
