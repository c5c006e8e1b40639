// Scenario commands for the network as any DHCP client sees it: the cable in the
// DM9000's socket, and a wait until the application has read its address.
#include "front/progress.h"
#include "scenario/commands.h"
#include "scenario/player.h"

#include <string>

bool run_link(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    const std::string &how = command.args[0];
    if (how != "up" && how != "down") {
        *error = "usage: at MS link up|down";
        return false;
    }
    context.board->set_link(how == "up");
    progress(command.at_ms, "link %s", how.c_str());
    return true;
}

// Like the other waits: later commands move back by the time it took.
bool run_wait_address(ScenarioContext &context, const ScenarioCommand &command,
                      std::string *error) {
    const ScenarioBoard *board = context.board;
    return wait_for_command(
        context, command, 0, [board] { return board->address_read(); }, error);
}
