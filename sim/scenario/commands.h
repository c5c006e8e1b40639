// The functions behind the scenario commands, grouped by the file that holds
// them. Each parses its words and calls the devices, the board's table or a front;
// the command table (sim/command_table.cpp) gives them their names and usage.
#pragma once

#include "scenario/scenario.h"

#include <string>

// How long a tap holds the pen down.
constexpr uint64_t TAP_HOLD_US = 50000;

using CommandFunction = bool(ScenarioContext &context, const ScenarioCommand &command,
                             std::string *error);

// basic_commands.cpp: screenshots, kill-app and the end of the run.
CommandFunction run_shot, run_kill_app, run_end;
// record_commands.cpp: animated recordings of the screen.
CommandFunction run_record, run_record_stop;
// touch_commands.cpp: the pen on the panel, and the panel's queue read empty.
CommandFunction run_tap, run_tap_raw, run_press, run_release, run_wait_touch_read;
// network_commands.cpp: the cable, and the address the application has read.
CommandFunction run_link, run_wait_address;
// dhcp_commands.cpp: the server and client of the board's own network.
CommandFunction run_dhcp_server, run_dhcp_client, run_wait_eth0, run_expect_dhcp_clients,
    run_fill_address_pipe;
// wait_commands.cpp: waits for a state of the application or of the buzzer.
CommandFunction run_wait_idle, run_wait_frames, run_wait_slide, run_wait_log, run_wait_sound;
// census_commands.cpp: descriptors and memory of the running application.
CommandFunction run_resources_mark, run_expect_resources_steady;
// measure_commands.cpp: figures for tools/measure-sim.
CommandFunction run_measure_startup, run_measure_frames, run_measure_touch, run_measure_memory;
