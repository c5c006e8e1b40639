// Scenario commands for the network as any DHCP client sees it: the cable in the
// DM9000's socket, and a wait until the application has read its address.
#include "board/app_process.h"
#include "board/board_clock.h"
#include "board/board_state.h"
#include "devices/dm9000.h"
#include "scenario/commands.h"
#include "scenario/scenario.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

bool run_link(ScenarioContext &, const ScenarioCommand &command, std::string *error) {
    const std::string &how = command.args[0];
    if (how != "up" && how != "down") {
        *error = "usage: at MS link up|down";
        return false;
    }
    dm9000_set_link(how == "up");
    printf("ipslide-sim: %6u ms  link %s\n", command.at_ms, how.c_str());
    return true;
}

// Like the other waits: later commands move back by the time it took.
bool run_wait_address(ScenarioContext &context, const ScenarioCommand &command,
                      std::string *error) {
    long timeout_ms = 15000;
    if (!command.args.empty() && !parse_int_arg(command.args[0], 1, 600000, &timeout_ms)) {
        *error = "\"" + command.args[0] + "\" is not a timeout in milliseconds";
        return false;
    }
    uint64_t begin = monotonic_us();
    while (board_state()->address_reader != app_running()) {
        int status = app_poll(context.app);
        if (status != -1) {
            *error = "wait-address: the application " + describe_wait_status(status);
            context.app_status = status;
            return false;
        }
        if (monotonic_us() - begin > static_cast<uint64_t>(timeout_ms) * 1000) {
            *error = "wait-address: the application has not read an address within " +
                     std::to_string(timeout_ms) + " ms";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    context.shift_us += monotonic_us() - begin;
    return true;
}
