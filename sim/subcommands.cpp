#include "subcommands.h"

#include "front/render.h"

#include <cstdio>
#include <cstring>

namespace {

struct Subcommand {
    const char *name;
    const char *summary;
    int (*run)(int argc, char **argv);
};

// Every program of ipslide-sim but the simulator, in the order --help lists them.
const Subcommand SUBCOMMANDS[] = {
    {"render", "--scene address|puzzle --elapsed MS [...]   one still as PNG", render_main},
};

} // namespace

bool run_subcommand(int argc, char **argv, int *status) {
    if (argc < 2) {
        return false;
    }
    for (const Subcommand &s : SUBCOMMANDS) {
        if (strcmp(argv[1], s.name) == 0) {
            *status = s.run(argc - 1, argv + 1);
            return true;
        }
    }
    return false;
}

void print_subcommands() {
    for (const Subcommand &s : SUBCOMMANDS) {
        printf("  ipslide-sim %-8s %s\n", s.name, s.summary);
    }
}
