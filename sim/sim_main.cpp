// ipslide-sim: the simulated board. It plays the LCD, touch panel, Ethernet
// controller, SoC registers, USB stick and DHCP client around the unchanged
// application, in a window or headless from a scenario script.
#include "board/app_process.h"
#include "board/board_state.h"
#include "devices/board_network.h"
#include "devices/dhcp_client.h"
#include "devices/dm9000.h"
#include "devices/soc_regs.h"
#include "devices/stick.h"
#include "devices/touch_panel.h"
#include "front/headless.h"
#include "front/subcommands.h"
#include "front/window.h"
#include "options.h"
#include "scenario/scenario.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
                "  --dhcp busybox|standin  the DHCP client: BusyBox udhcpc against udhcpd in\n"
                "                      network namespaces of their own (default where busybox\n"
                "                      is installed), or the simulator's stand-in\n"
                "  --lease IP          the address the DHCP server leases (default 192.168.1.42)\n"
                "  --lease-delay MS    how long the stand-in's exchange takes (default 1000)\n"
                "\n"
                "window keys: q or Esc quit, l plugs/unplugs the cable\n"
                "\nscenario commands:\n");
    for (const CommandSpec &entry : all_commands()) {
        fprintf(to, "  at MS %s\n", entry.usage);
    }
    fprintf(to, "\nother programs:\n");
    print_subcommands();
}

bool need_value(int i, int argc, const char *flag) {
    if (i + 1 >= argc) {
        fprintf(stderr, "ipslide-sim: %s needs a value\n", flag);
        return false;
    }
    return true;
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

bool parse_options(int argc, char **argv, SimOptions *o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        long n = 0;
        if (a == "--headless") {
            o->headless = true;
        } else if (a == "--help" || a == "-h") {
            usage(stdout);
            exit(0);
        } else if (!need_value(i, argc, argv[i])) {
            return false;
        } else if (a == "--script") {
            o->script = argv[++i];
        } else if (a == "--out") {
            o->out_dir = argv[++i];
        } else if (a == "--scale" && parse_int_arg(argv[i + 1], 1, 8, &n)) {
            o->scale = static_cast<int>(n), ++i;
        } else if (a == "--stick") {
            o->stick = argv[++i];
        } else if (a == "--cable" &&
                   (strcmp(argv[i + 1], "on") == 0 || strcmp(argv[i + 1], "off") == 0)) {
            o->cable = strcmp(argv[++i], "on") == 0;
        } else if (a == "--lease" && lease_address(argv[i + 1])) {
            o->lease = argv[++i];
        } else if (a == "--dhcp" &&
                   (strcmp(argv[i + 1], "busybox") == 0 || strcmp(argv[i + 1], "standin") == 0)) {
            o->dhcp = argv[++i];
        } else if (a == "--lease-delay" && parse_int_arg(argv[i + 1], 0, 600000, &n)) {
            o->lease_delay_ms = static_cast<int>(n), ++i;
        } else {
            fprintf(stderr, "ipslide-sim: bad option %s %s\n", argv[i], argv[i + 1]);
            return false;
        }
    }
    if (o->headless && o->script.empty()) {
        fprintf(stderr, "ipslide-sim: --headless needs --script FILE\n");
        return false;
    }
    return true;
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
    options.dhcp = find_program("busybox").empty() ? "standin" : "busybox";
    if (!parse_options(argc, argv, &options)) {
        usage(stderr);
        return 2;
    }
    // Worker processes of a killed application are reparented to us, so we can reap them.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    board_state_create();
    boot_prepare(options);
    dm9000_init(options);
    soc_init(options);
    stick_init(options);
    touch_panel_init(options);
    dhcp_init(options);
    status = options.headless ? run_headless(options) : run_window(options);
    boot_cleanup();
    return status;
}
