// ipslide-sim: the simulated board. It plays the LCD, touch panel, Ethernet
// controller, SoC registers, USB stick and DHCP client around the unchanged
// application, in a window or headless from a scenario script.
#include "board/app_process.h"
#include "board/sim_board.h"
#include "devices/board_clock.h"
#include "devices/board_network.h"
#include "devices/board_state.h"
#include "devices/dhcp_client.h"
#include "devices/dm9000.h"
#include "devices/soc_regs.h"
#include "devices/stick.h"
#include "devices/touch_panel.h"
#include "front/window.h"
#include "options.h"
#include "qemu/qemu_board.h"
#include "scenario/player.h"
#include "subcommands.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <string>
#include <sys/prctl.h>

namespace {

void usage(FILE *to) {
    fprintf(to, "usage: ipslide-sim [OPTIONS]                  window, mouse = touch panel\n"
                "       ipslide-sim --headless --script FILE [OPTIONS]\n"
                "\n"
                "options:\n"
                "  --headless          no window: run the scenario, write screenshots, exit\n"
                "  --script FILE       scenario, one command a line: at MS COMMAND [ARGS]\n"
                "  --out DIR           screenshots, victory.wav and app.log (default out)\n"
                "  --scale N           window zoom (default 2)\n"
                "  --stick DIR|IMAGE|none  the USB stick (default: DejaVu Sans Condensed Bold as\n"
                "                      concours-48.ttf)\n"
                "  --cable on|off      Ethernet cable plugged in at start (default on)\n"
                "  --lease IP          the address BusyBox udhcpd leases to the board's BusyBox\n"
                "                      udhcpc, in network namespaces of their own\n"
                "                      (default 192.168.1.42)\n"
                "  --lease-time S      how long a lease lasts, 10..86400 s (default 3600)\n"
                "  --board sim|qemu    the simulated board (default), or the board binary of\n"
                "                      make arm on a real Linux kernel under QEMU (headless)\n"
                "  --inittab FILE      the QEMU board's inittab (default deploy/inittab)\n"
                "  --power-button on|off  the QEMU board's gpio-keys power button, registered\n"
                "                      before the panel (default off: the panel is 13:64)\n"
                "\n"
                "window keys: q or Esc quit, l plugs/unplugs the cable\n"
                "\nscenario commands:\n");
    for (const CommandSpec &entry : all_commands()) {
        fprintf(to, "  at MS %s\n", entry.usage);
    }
    fprintf(to, "\nother programs:\n");
    print_subcommands();
}

// An address a /24 can lease: not its network (.0) nor its broadcast (.255).
bool lease_address(const char *text) {
    in_addr a{};
    uint32_t last = 0;
    if (inet_pton(AF_INET, text, &a) == 1) {
        last = ntohl(a.s_addr) & 0xFFu;
    }
    return last != 0 && last != 255;
}

bool one_of(const char *value, const char *a, const char *b) {
    return strcmp(value, a) == 0 || strcmp(value, b) == 0;
}

// The options whose value is taken as it stands.
struct TextOption {
    int option;
    std::string SimOptions::*field;
};
constexpr TextOption TEXT_OPTIONS[] = {{'s', &SimOptions::script},
                                       {'o', &SimOptions::out_dir},
                                       {'k', &SimOptions::stick},
                                       {'i', &SimOptions::inittab}};

// One option and its value; false when the value is not one the option takes.
bool take_option(int option, const char *value, SimOptions *o) {
    for (const TextOption &text : TEXT_OPTIONS) {
        if (text.option == option) {
            o->*text.field = value;
            return true;
        }
    }
    long n = 0;
    switch (option) {
    case 'H':
        o->headless = true;
        return true;
    case 'S':
        return parse_int_arg(value, 1, 8, &n) && (o->scale = static_cast<int>(n), true);
    case 'c':
        return one_of(value, "on", "off") && (o->cable = strcmp(value, "on") == 0, true);
    case 'l':
        return lease_address(value) && (o->lease = value, true);
    case 'b':
        return one_of(value, "sim", "qemu") && (o->board = value, true);
    case 'P':
        return one_of(value, "on", "off") && (o->power_button = strcmp(value, "on") == 0, true);
    case 'T':
        return parse_int_arg(value, 10, 86400, &n) &&
               (o->lease_seconds = static_cast<int>(n), true);
    default:
        return false;
    }
}

const option LONG_OPTIONS[] = {{"headless", no_argument, nullptr, 'H'},
                               {"help", no_argument, nullptr, 'h'},
                               {"script", required_argument, nullptr, 's'},
                               {"out", required_argument, nullptr, 'o'},
                               {"scale", required_argument, nullptr, 'S'},
                               {"stick", required_argument, nullptr, 'k'},
                               {"cable", required_argument, nullptr, 'c'},
                               {"lease", required_argument, nullptr, 'l'},
                               {"board", required_argument, nullptr, 'b'},
                               {"inittab", required_argument, nullptr, 'i'},
                               {"power-button", required_argument, nullptr, 'P'},
                               {"lease-time", required_argument, nullptr, 'T'},
                               {nullptr, 0, nullptr, 0}};

bool parse_options(int argc, char **argv, SimOptions *o) {
    for (int option; (option = getopt_long(argc, argv, "+:h", LONG_OPTIONS, nullptr)) != -1;) {
        if (option == 'h') {
            usage(stdout);
            exit(0);
        }
        if (option == ':' || option == '?') {
            fprintf(stderr, "ipslide-sim: %s %s\n", argv[optind - 1],
                    option == ':' ? "needs a value" : "is not an option");
            return false;
        }
        if (!take_option(option, optarg, o)) {
            fprintf(stderr, "ipslide-sim: bad option %s %s\n", argv[optind - 2], optarg);
            return false;
        }
    }
    if (optind < argc) {
        fprintf(stderr, "ipslide-sim: %s is not an option\n", argv[optind]);
        return false;
    }
    if (o->headless && o->script.empty()) {
        fprintf(stderr, "ipslide-sim: --headless needs --script FILE\n");
        return false;
    }
    if (o->board == "qemu" && !o->headless) {
        fprintf(stderr, "ipslide-sim: --board qemu plays a script headless (--headless --script "
                        "FILE)\n");
        return false;
    }
    return true;
}

// The window, with the scenario's player on a thread of its own when there is
// a script: its time zero is when the window has started the application.
int run_in_window(const ScenarioBoard &board, const SimOptions &options) {
    const WindowApp app = {app_launch, app_poll, app_stop, boot_cleanup};
    std::vector<ScenarioCommand> commands;
    if (options.script.empty()) {
        return run_window(options, app, nullptr);
    }
    if (!load_scenario(options, board, all_commands(), &commands)) {
        return 2;
    }
    return run_window(options, app, [&board, &options, &commands] {
        return play_scenario(board, options, monotonic_us(), commands);
    });
}

} // namespace

// SDL keeps per-thread error strings for threads it did not start (the scenario
// thread of a tour in the window): LeakSanitizer would report them at exit.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libSDL2\n";
}

int main(int argc, char **argv) {
    // Progress lines interleave with the application's and the tests' output.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    int status = 0;
    if (run_subcommand(argc, argv, &status)) {
        return status;
    }
    SimOptions options;
    options.source_dir = IPSLIDE_SOURCE_DIR;
    if (!parse_options(argc, argv, &options)) {
        usage(stderr);
        return 2;
    }
    // Worker processes of a killed application are reparented to us, so we can reap them.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    board_state_create();
    boot_prepare(options);
    if (options.board == "sim") {
        dm9000_init(options);
        soc_init(options);
        stick_init(options);
        dhcp_init(options);
    }
    const ScenarioBoard &board =
        options.board == "qemu" ? qemu_scenario_board() : sim_scenario_board();
    status = options.headless ? run_headless(board, options, all_commands())
                              : run_in_window(board, options);
    boot_cleanup();
    return status;
}
