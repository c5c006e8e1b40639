#include "doctor/checks.h"
#include "doctor/report.h"

#include <cstdio>

int doctor_run(const char *stick_dir) {
    report_reset();
    check_startup();
    bool registers = check_registers();
    check_network(registers);
    check_stick(stick_dir);
    check_touch();
    check_screen();
    check_fanfare();
    int failures = report_failures();
    printf("%s\n", failures == 0 ? "ipslide-doctor: every check passed"
                                 : "ipslide-doctor: some checks failed (FAIL lines above)");
    return failures == 0 ? 0 : 1;
}
