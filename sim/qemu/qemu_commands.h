// The scenario commands only the QEMU board plays (qemu_commands.cpp): probes of
// the guest through its agent, its console and its memory.
#pragma once

#include "scenario/commands.h"

CommandFunction run_inspect, run_expect_no_zombies, run_pageout, run_watch_masked_faults,
    run_expect_no_masked_faults, run_wait_console;
