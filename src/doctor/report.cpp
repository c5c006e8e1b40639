#include "doctor/report.h"

#include <cstdarg>
#include <cstdio>

namespace {

int failures;

} // namespace

void report_ok(const char *check, const char *format, ...) {
    printf("ok   %s: ", check);
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    printf("\n");
    fflush(stdout);
}

void report_fail(const char *check, const char *found, const char *why, const char *fix) {
    failures++;
    printf("FAIL %s: %s; %s; fix: %s\n", check, found, why, fix);
    fflush(stdout);
}

int report_failures() {
    return failures;
}

void report_reset() {
    failures = 0;
}
