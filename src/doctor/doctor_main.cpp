// ipslide-doctor: run as root on the board's console, it checks every requirement
// of ipslide and says, for each that fails, what it found, why that stops the
// application and how to fix it. Exit status 0 only when every check passes. It
// leaves the board as it found it: the mode is only tried, the stick is mounted
// read-only apart and unmounted, and the only register written is the DM9000's
// index port, as the network worker writes it.
//
//   ipslide-doctor             every check
//   ipslide-doctor --fanfare   only the playback's timing on this CPU
#include "doctor/checks.h"
#include "doctor/report.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
    if (argc == 2 && strcmp(argv[1], "--fanfare") == 0) {
        check_fanfare();
        return report_failures() == 0 ? 0 : 1;
    }
    if (argc != 1) {
        fprintf(stderr, "usage: ipslide-doctor [--fanfare]\n");
        return 2;
    }
    return doctor_run(DOCTOR_STICK_DIR);
}
