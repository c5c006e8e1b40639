// Scenario commands for the board's network with the real DHCP client: pausing
// the server, the client's renew and release signals, waits for eth0's address,
// and the checks on the client's processes and its address pipe.
#include "devices/board_network.h"
#include "front/progress.h"
#include "scenario/commands.h"
#include "scenario/player.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <string>
#include <unistd.h>

bool run_dhcp_server(ScenarioContext &, const ScenarioCommand &command, std::string *error) {
    const std::string &how = command.args[0];
    bool renumber = how == "renumber" && command.args.size() == 2;
    if (!renumber && (how != "pause" && how != "resume")) {
        *error = "usage: at MS dhcp-server pause|resume|renumber IP";
        return false;
    }
    if (renumber) {
        if (!board_network_server_renumber(command.args[1], error)) {
            *error = "dhcp-server renumber: " + *error;
            return false;
        }
    } else {
        board_network_server_pause(how == "pause");
    }
    progress(command.at_ms, "dhcp-server %s%s", how.c_str(),
             renumber ? (" " + command.args[1]).c_str() : "");
    return true;
}

// udhcpc's own signals: SIGUSR1 renews (twice in a row: drops the lease and
// starts over), SIGUSR2 releases the lease.
bool run_dhcp_client(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    const std::string &how = command.args[0];
    if (how != "renew" && how != "release") {
        *error = "usage: at MS dhcp-client renew|release";
        return false;
    }
    std::string what;
    if (!context.board->signal_dhcp_client(how == "renew", &what, error)) {
        *error = "dhcp-client: " + *error;
        return false;
    }
    progress(command.at_ms, "dhcp-client %s (%s)", how.c_str(), what.c_str());
    return true;
}

bool run_wait_eth0(ScenarioContext &context, const ScenarioCommand &command, std::string *error) {
    in_addr want{};
    if (inet_pton(AF_INET, command.args[0].c_str(), &want) != 1) {
        *error = "\"" + command.args[0] + "\" is not an IPv4 address";
        return false;
    }
    const ScenarioBoard *board = context.board;
    auto has_it = [board, &want] {
        uint32_t address = 0;
        return board->eth0_address(&address) && address == want.s_addr;
    };
    return wait_for_command(context, command, 1, has_it, error);
}

bool run_expect_dhcp_clients(ScenarioContext &context, const ScenarioCommand &command,
                             std::string *error) {
    long want = 0;
    if (!parse_int_arg(command.args[0], 0, 100, &want)) {
        *error = "\"" + command.args[0] + "\" is not a count";
        return false;
    }
    long found = context.board->dhcp_clients(error);
    if (found < 0) {
        *error = "expect-dhcp-clients: " + *error;
        return false;
    }
    if (found != want) {
        *error = "expect-dhcp-clients: " + std::to_string(found) + " udhcpc on the board, not " +
                 std::to_string(want);
        return false;
    }
    progress(command.at_ms, "expect-dhcp-clients: %ld", found);
    return true;
}

namespace {

// Writes into a non-blocking pipe until it is full (errno EAGAIN) or has no
// reader (EPIPE; the SIGPIPE that comes with it is taken here, not delivered).
size_t fill(int fd) {
    sigset_t pipe_signal, before;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_signal, &before);
    // Small writes into a pipe are all or nothing: the last page's room is filled
    // by ever smaller ones, down to single bytes.
    static const char filler[4096] = {};
    size_t filled = 0;
    for (size_t size = sizeof filler; size > 0; size /= 2) {
        ssize_t n;
        while ((n = write(fd, filler, size)) > 0 || (n == -1 && errno == EINTR)) {
            filled += n > 0 ? static_cast<size_t>(n) : 0;
        }
        if (errno != EAGAIN) {
            break;
        }
    }
    int error_number = errno;
    timespec now = {0, 0};
    if (error_number == EPIPE) {
        sigtimedwait(&pipe_signal, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    errno = error_number;
    return filled;
}

} // namespace

// Fills the address pipe through the client's own descriptor 9, as if the
// application had not read it for a long time: the script's next write finds it
// full.
bool run_fill_address_pipe(ScenarioContext &, const ScenarioCommand &command, std::string *error) {
    pid_t client = board_network_client_pid();
    std::string path = "/proc/" + std::to_string(client) + "/fd/9";
    int fd = client > 0 ? open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (fd < 0) {
        *error = "fill-address-pipe: " + path + ": " + strerror(errno);
        return false;
    }
    size_t filled = fill(fd);
    int error_number = errno;
    close(fd);
    if (error_number != EAGAIN) {
        *error = "fill-address-pipe: " + std::string(strerror(error_number)) +
                 " (the application has read and closed the pipe already)";
        return false;
    }
    progress(command.at_ms, "fill-address-pipe: %zu bytes", filled);
    return true;
}
