#include "subcommands.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct Subcommand {
    const char *name;
    const char *summary;
    int (*run)(int argc, char **argv);
};

std::vector<Subcommand> &registry() {
    static std::vector<Subcommand> subcommands;
    return subcommands;
}

} // namespace

SubcommandRegistrar::SubcommandRegistrar(const char *name, const char *summary,
                                         int (*run)(int argc, char **argv)) {
    registry().push_back({name, summary, run});
}

bool run_subcommand(int argc, char **argv, int *status) {
    if (argc < 2) {
        return false;
    }
    for (const Subcommand &s : registry()) {
        if (strcmp(argv[1], s.name) == 0) {
            *status = s.run(argc - 1, argv + 1);
            return true;
        }
    }
    return false;
}

void print_subcommands() {
    for (const Subcommand &s : registry()) {
        printf("  ipslide-sim %-8s %s\n", s.name, s.summary);
    }
}
